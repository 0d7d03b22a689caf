#pragma once

#include <QObject>

#include <functional>

class OnDeviceTranslator;

// Whether this computer can translate now (the on-device translator with at
// least one language pair), followed while the program runs: a pair package
// installed or removed opens or closes the gate at once, for every place
// that offers translation. It holds the translator's one pair watch and
// passes each change on. GUI thread only.
class TranslationGate : public QObject {
    Q_OBJECT
public:
    // `translator` answers the translator in use, or null.
    explicit TranslationGate(std::function<OnDeviceTranslator*()> translator, QObject* parent = nullptr);

    // Asks the translator now.
    bool isOpen() const;
    // Starts following the translator's pairs; later calls do nothing.
    void watch();

signals:
    // The installed pairs may have changed; emitted on every change.
    void pairsChanged();
    // The gate opened or closed with that change.
    void openChanged(bool open);

private:
    std::function<OnDeviceTranslator*()> m_translator;
    bool m_open = false;
    bool m_watching = false;
};
