#include "onboarding/EngineStep.h"

#include "engine/EngineBootstrap.h"
#include "onboarding/OnbStyle.h"
#include "onboarding/OnbSymbol.h"
#include "onboarding/OnbTitle.h"
#include "platform/Wording.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
constexpr int kSpacing = 14;
constexpr int kBarWidth = 320;
constexpr int kBarSteps = 1000;
using Stage = EngineBootstrap::Stage;

} // namespace

EngineStep::EngineStep(EngineBootstrap& bootstrap, QWidget* parent) : QWidget(parent), m_bootstrap(bootstrap) {
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(kSpacing);
    connect(&bootstrap, &EngineBootstrap::stageChanged, this, &EngineStep::rebuild);
    connect(&bootstrap, &EngineBootstrap::progressChanged, this, [this](double progress) {
        if (m_bar && m_bar->maximum() > 0)
            m_bar->setValue(qRound(progress * kBarSteps));
    });
    connect(&bootstrap, &EngineBootstrap::detailChanged, this, [this](const QString& detail) {
        if (m_detail)
            m_detail->setText(m_detail->fontMetrics().elidedText(detail, Qt::ElideMiddle, kBarWidth + 100));
    });
    rebuild();
}

QString EngineStep::title() const { return m_title ? m_title->text() : QString(); }

void EngineStep::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Only an idle engine starts here; a run under way (checking included),
    // a finished one and a failed one are left alone.
    if (!event->spontaneous() && m_bootstrap.stage() == Stage::Idle)
        (void)m_bootstrap.run();
}

void EngineStep::rebuild() {
    // The page is drawn afresh into a new content widget at every stage.
    delete m_content;
    m_content = new QWidget(this);
    QVBoxLayout* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kSpacing);
    m_layout->insertWidget(0, m_content);
    m_bar = nullptr;
    m_detail = nullptr;
    m_tryAgain = nullptr;
    m_startOver = nullptr;
    const Stage stage = m_bootstrap.stage();
    const bool ready = stage == Stage::Ready;
    const QString symbol = ready ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("waveform");
    layout->addWidget(
        new OnbSymbol(symbol, 52, ready ? OnbStyle::green(palette()) : OnbStyle::accent(palette()), m_content), 0,
        Qt::AlignHCenter);
    m_title = new OnbTitle(
        ready ? QStringLiteral("The engine is ready") : QStringLiteral("Setting up the speech engine"), m_content);
    layout->addWidget(m_title);
    if (ready)
        return finishRebuild();
    if (stage == Stage::Failed) {
        layout->addWidget(OnbStyle::centredText(m_bootstrap.failureMessage(), 13, OnbStyle::red(palette()), m_content));
        auto* buttons = new QHBoxLayout;
        buttons->setSpacing(10);
        m_tryAgain = new QPushButton(QStringLiteral("Try Again"), m_content);
        m_tryAgain->setDefault(true);
        m_startOver = new QPushButton(QStringLiteral("Start Over"), m_content);
        buttons->addStretch();
        buttons->addWidget(m_tryAgain);
        buttons->addWidget(m_startOver);
        buttons->addStretch();
        layout->addLayout(buttons);
        EngineBootstrap* bootstrap = &m_bootstrap;
        connect(m_tryAgain, &QPushButton::clicked, bootstrap, [bootstrap] { (void)bootstrap->run(); });
        connect(m_startOver, &QPushButton::clicked, bootstrap, [bootstrap] { (void)bootstrap->repair(); });
        layout->addWidget(
            OnbStyle::centredText(QStringLiteral("Start Over throws away what was downloaded and fetches it again. "
                                                 "Worth trying if Try Again keeps failing."),
                                  11.5, OnbStyle::secondary(palette()), m_content));
        return finishRebuild();
    }
    m_bar = new QProgressBar(m_content);
    m_bar->setTextVisible(false);
    m_bar->setMaximumWidth(kBarWidth);
    m_bar->setMinimumWidth(kBarWidth);
    if (stage == Stage::Models) {
        m_bar->setRange(0, kBarSteps);
        m_bar->setValue(qRound(m_bootstrap.progress() * kBarSteps));
    } else {
        m_bar->setRange(0, 0);
    }
    layout->addWidget(m_bar, 0, Qt::AlignHCenter);
    m_detail = OnbStyle::centredText(QString(), 11.5, OnbStyle::secondary(palette()), m_content);
    m_detail->setWordWrap(false);
    m_detail->setText(m_detail->fontMetrics().elidedText(m_bootstrap.detail(), Qt::ElideMiddle, kBarWidth + 100));
    layout->addWidget(m_detail);
    layout->addWidget(OnbStyle::centredText(
        Wording::of(QStringLiteral("About 1.2 GB, one time. Your Mac does all the talking and listening itself, "
                                   "which is why there is something to download.")),
        12, OnbStyle::tertiary(palette()), m_content));
    finishRebuild();
}

void EngineStep::finishRebuild() {
    m_content->show();
    m_layout->activate();
}
