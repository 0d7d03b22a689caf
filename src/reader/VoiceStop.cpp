#include "reader/VoiceStop.h"

#include "reader/VoicePicker.h"

#include <QApplication>
#include <QKeyEvent>

VoiceStop::VoiceStop(VoiceFocus kind, VoicePicker& picker, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_picker(picker) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_MacShowFocusRect, false);
}

void VoiceStop::keyPressEvent(QKeyEvent* event) {
    std::optional<MoveDirection> direction;
    switch (event->key()) {
    case Qt::Key_Left:
        direction = MoveDirection::Left;
        break;
    case Qt::Key_Right:
        direction = MoveDirection::Right;
        break;
    case Qt::Key_Up:
        direction = MoveDirection::Up;
        break;
    case Qt::Key_Down:
        direction = MoveDirection::Down;
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Only the grid presses; on the chip row these keys are not ours.
        if (m_kind == VoiceFocus::Voices && event->modifiers() == Qt::NoModifier) {
            m_picker.activateVoice();
            event->accept();
            return;
        }
        QWidget::keyPressEvent(event);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (m_kind == VoiceFocus::Flags)
        m_picker.moveFlags(*direction);
    else
        m_picker.moveVoices(*direction);
    event->accept();
}

void VoiceStop::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_picker.setFocusStop(m_kind);
}

void VoiceStop::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // Moving to the other stop is one change, reported by its focus-in; a
    // popup taking the keyboard leaves the focus where it is.
    if (event->reason() == Qt::PopupFocusReason || qobject_cast<VoiceStop*>(QApplication::focusWidget()))
        return;
    m_picker.setFocusStop(std::nullopt);
}

void VoiceStop::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_kind == VoiceFocus::Voices)
        m_picker.layoutCards();
}
