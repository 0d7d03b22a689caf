#pragma once

#include "translation/TranslationDownload.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class QLabel;
class QVBoxLayout;
class TranslationCatalog;

// The languages page: what translation does, the languages ready now, and a
// way to add one more. Adding goes through the translation page's own
// control, which shows how to install the pack and then forces a catalogue
// refresh; the page confirms once the chosen language has become ready. It
// never writes the typing target. GUI thread.
class LanguageStep : public QWidget {
    Q_OBJECT
public:
    enum class Phase { Offer, Choosing, Added };

    LanguageStep(TranslationCatalog& catalog, TranslationDownload::Services downloads, QWidget* parent = nullptr);

    Phase phase() const { return m_phase; }
    // "Ready now: …." or empty while nothing is ready.
    QString readyLine() const;
    void offer();
    void addAnother();
    TranslationDownload* download() const { return m_download; }

private:
    void refresh();
    void sourcesChanged();

    TranslationCatalog& m_catalog;
    TranslationDownload::Services m_downloads;
    Phase m_phase = Phase::Offer;
    QLabel* m_ready = nullptr;
    QVBoxLayout* m_blockHolder = nullptr;
    QWidget* m_block = nullptr;
    QPointer<TranslationDownload> m_download;
    QString m_lastChoice;
    std::optional<Phase> m_shownPhase;
};
