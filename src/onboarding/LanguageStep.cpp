#include "onboarding/LanguageStep.h"

#include "onboarding/ExamplePair.h"
#include "onboarding/OnbStyle.h"
#include "platform/Wording.h"
#include "translator/TranslationCatalog.h"
#include "translator/Translator.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kSpacing = 13;
constexpr int kExamplesWidth = 450;

} // namespace

LanguageStep::LanguageStep(TranslationCatalog& catalog, TranslationDownload::Services downloads, QWidget* parent)
    : QWidget(parent), m_catalog(catalog), m_downloads(std::move(downloads)) {
    m_downloads.catalog = &catalog;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kSpacing);
    auto* title = new QLabel(QStringLiteral("It can also do this"), this);
    title->setFont(OnbStyle::font(26, QFont::Bold));
    title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(title);

    auto* examples = new QWidget(this);
    auto* pairs = new QVBoxLayout(examples);
    const int side = std::max(0, (480 - kExamplesWidth) / 2);
    pairs->setContentsMargins(side, 0, side, 0);
    pairs->setSpacing(9);
    pairs->addWidget(new ExamplePair(QStringLiteral("Confirmando la cita del jueves a las tres."),
                                     QStringLiteral("Confirming the appointment on Thursday at three."), examples));
    pairs->addWidget(new ExamplePair(QStringLiteral("Please bring the documents we discussed."),
                                     QStringLiteral("Veuillez apporter les documents dont nous avons parl\u00e9."),
                                     examples));
    layout->addWidget(examples);
    layout->addWidget(OnbStyle::centredText(
        Wording::of(QStringLiteral("Twelve languages, either direction, all on this Mac. Nothing is uploaded.")), 12.5,
        OnbStyle::secondary(palette()), this));
    m_ready = OnbStyle::centredText(QString(), 11.5, OnbStyle::green(palette()), this);
    layout->addWidget(m_ready);
    m_blockHolder = new QVBoxLayout;
    layout->addLayout(m_blockHolder);

    connect(&catalog, &TranslationCatalog::sourcesChanged, this, &LanguageStep::sourcesChanged);
    refresh();
    (void)catalog.refresh(false);
}

QString LanguageStep::readyLine() const {
    QStringList names;
    for (const QString& code : m_catalog.sources())
        names.append(Translator::displayName(code));
    if (names.isEmpty())
        return QString();
    std::sort(names.begin(), names.end());
    return QStringLiteral("Ready now: ") + names.join(QStringLiteral(", ")) + QLatin1Char('.');
}

void LanguageStep::offer() {
    m_phase = Phase::Choosing;
    refresh();
}

void LanguageStep::addAnother() {
    m_phase = Phase::Choosing;
    m_lastChoice.clear();
    m_block->hide();
    m_shownPhase.reset();
    refresh();
}

void LanguageStep::sourcesChanged() {
    // The language chosen last became ready: say so.
    const QString choice = m_download ? m_download->choice() : m_lastChoice;
    if (m_phase == Phase::Choosing && !choice.isEmpty() && m_catalog.sources().contains(choice)) {
        m_phase = Phase::Added;
        m_lastChoice = choice;
    }
    refresh();
}

void LanguageStep::refresh() {
    const QString ready = readyLine();
    m_ready->setText(ready);
    m_ready->setVisible(!ready.isEmpty());
    // The block is made anew only when the phase changes; the add control
    // keeps its own choice and request in between.
    if (m_block && m_shownPhase == m_phase)
        return;
    m_shownPhase = m_phase;
    if (m_block) {
        // Possibly reached from inside the old block's control: let it return first.
        m_block->hide();
        m_block->deleteLater();
    }
    m_block = new QWidget(this);
    auto* block = new QVBoxLayout(m_block);
    block->setContentsMargins(0, 0, 0, 0);
    block->setSpacing(8);
    switch (m_phase) {
    case Phase::Added: {
        block->addWidget(
            OnbStyle::centredText(QStringLiteral("That is enough to get going. You can add more any time from "
                                                 "Translation in Quorvane's settings."),
                                  12.5, OnbStyle::secondary(palette()), m_block));
        auto* again = new QPushButton(QStringLiteral("Add another"), m_block);
        again->setFlat(true);
        OnbStyle::setForeground(*again, OnbStyle::accentText(palette()));
        connect(again, &QPushButton::clicked, this, &LanguageStep::addAnother);
        block->addWidget(again, 0, Qt::AlignHCenter);
        break;
    }
    case Phase::Choosing: {
        auto* download = new TranslationDownload(m_downloads, m_block);
        m_download = download;
        block->addWidget(download, 0, Qt::AlignHCenter);
        auto* note = new QLabel(QStringLiteral("It downloads while you finish setting up."), m_block);
        note->setFont(OnbStyle::font(11));
        OnbStyle::setForeground(*note, OnbStyle::tertiary(palette()));
        block->addWidget(note, 0, Qt::AlignHCenter);
        break;
    }
    case Phase::Offer: {
        auto* add = new QPushButton(QStringLiteral("Add a language"), m_block);
        add->setDefault(true);
        add->setMinimumHeight(32);
        connect(add, &QPushButton::clicked, this, &LanguageStep::offer);
        block->addWidget(add, 0, Qt::AlignHCenter);
        break;
    }
    }
    m_blockHolder->addWidget(m_block);
    if (isVisible())
        m_block->show();
}
