#include "translator/TranslationGate.h"

#include "platform/OnDeviceTranslator.h"

TranslationGate::TranslationGate(std::function<OnDeviceTranslator*()> translator, QObject* parent)
    : QObject(parent), m_translator(std::move(translator)), m_open(isOpen()) {}

bool TranslationGate::isOpen() const {
    OnDeviceTranslator* translator = m_translator ? m_translator() : nullptr;
    return translator && translator->isAvailable();
}

void TranslationGate::watch() {
    OnDeviceTranslator* translator = m_translator ? m_translator() : nullptr;
    if (m_watching || !translator)
        return;
    m_watching = true;
    m_open = isOpen();
    translator->watchInstalledPairs([this] {
        emit pairsChanged();
        const bool open = isOpen();
        if (open == m_open)
            return;
        m_open = open;
        emit openChanged(open);
    });
}
