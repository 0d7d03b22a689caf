#include "dictation/HeldReturn.h"

#include "dictation/BubblePanel.h"
#include "platform/KeySynth.h"
#include "platform/Platform.h"

#include <QPointer>

HeldReturn::HeldReturn(std::function<bool()> targetInFront, std::function<void()> held, QObject* parent)
    : QObject(parent), m_targetInFront(std::move(targetInFront)), m_held(std::move(held)) {}

HeldReturn::~HeldReturn() { giveBack(); }

void HeldReturn::hold() {
    if (m_holders++ > 0)
        return;
    m_pressed = false;
    Hotkeys* keys = Platform::current().hotkeys;
    if (!keys)
        return;
    QPointer<HeldReturn> self(this);
    m_taking = keys->takeKeys({BubblePanel::kReturnKey, BubblePanel::kKeypadEnterKey}, [self](quint32) {
        if (!self)
            return;
        ++self->m_unseen;
        // After the desktop's event handling, which may hold our own takings.
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (self)
                    self->pressed();
            },
            Qt::QueuedConnection);
    });
    if (m_taking)
        m_takenFrom = keys;
}

bool HeldReturn::letGo() {
    if (m_holders == 0 || --m_holders > 0)
        return false;
    giveBack();
    // Presses the desktop handed over only as the keys went back were made
    // while they were held.
    if (std::exchange(m_unseen, 0) > 0) {
        m_pressed = true;
        if (m_held)
            m_held();
    }
    return true;
}

void HeldReturn::pressed() {
    if (m_unseen == 0)
        return;
    --m_unseen;
    if (!m_taking)
        return;
    if (m_targetInFront && !m_targetInFront()) {
        giveBack();
        if (KeySynth* synth = Platform::current().keySynth)
            synth->pressReturn();
        return;
    }
    m_pressed = true;
    if (m_held)
        m_held();
}

void HeldReturn::giveBack() {
    if (m_taking && m_takenFrom)
        m_takenFrom->releaseKeys(*m_taking);
    m_taking.reset();
    m_takenFrom = nullptr;
}
