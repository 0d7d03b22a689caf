#include "onboarding/FirstWordsStep.h"

#include "engine/EngineBootstrap.h"
#include "looks/TintedSymbol.h"
#include "onboarding/OnbStyle.h"
#include "onboarding/OnbSymbol.h"
#include "platform/Wording.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {

constexpr int kSpacing = 14;
constexpr int kFieldWidth = 430;
constexpr int kBarWidth = 300;
constexpr int kBarSteps = 1000;
constexpr int kVisibleLines = 3;
constexpr int kFieldPadding = 11;
constexpr double kWhisperSpeed = 0.8;
constexpr float kWhisperVolume = 0.28F;
using Stage = EngineBootstrap::Stage;

// The practice field: plain text on a faint rounded plate whose edge turns to
// the accent colour while it has the focus.
class PracticeField : public QPlainTextEdit {
public:
    explicit PracticeField(QWidget* parent) : QPlainTextEdit(parent) {
        setFrameStyle(QFrame::NoFrame);
        setFont(OnbStyle::font(14));
        setPlaceholderText(QStringLiteral("Your words will appear here"));
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setViewportMargins(kFieldPadding, kFieldPadding, kFieldPadding, kFieldPadding);
        viewport()->setAutoFillBackground(false);
        setAutoFillBackground(false);
        setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
        const int lines = qCeil(QFontMetricsF(font()).lineSpacing() * kVisibleLines);
        setFixedHeight(lines + 2 * kFieldPadding + 2 * int(document()->documentMargin()));
        setMaximumWidth(kFieldWidth);
    }

protected:
    void focusInEvent(QFocusEvent* event) override {
        QPlainTextEdit::focusInEvent(event);
        update();
        if (parentWidget())
            parentWidget()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QPlainTextEdit::focusOutEvent(event);
        if (parentWidget())
            parentWidget()->update();
    }
};

// Draws the practice field's plate and edge behind it.
class PracticePlate : public QWidget {
public:
    explicit PracticePlate(QWidget* parent) : QWidget(parent) {}
    QPlainTextEdit* field = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!field)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF plate = QRectF(field->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setBrush(OnbStyle::withAlpha(OnbStyle::primary(palette()), 0.05F));
        const bool focused = field->hasFocus();
        painter.setPen(QPen(focused ? OnbStyle::withAlpha(OnbStyle::accent(palette()), 0.6F)
                                    : OnbStyle::withAlpha(OnbStyle::primary(palette()), 0.1F),
                            1));
        painter.drawRoundedRect(plate, 9, 9);
    }
};

} // namespace

FirstWordsStep::FirstWordsStep(EngineBootstrap& bootstrap, Speak speak, Lines lines, QWidget* parent)
    : QWidget(parent), m_bootstrap(bootstrap), m_speak(std::move(speak)), m_lines(std::move(lines)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kSpacing);
    m_symbol = new OnbSymbol(QStringLiteral("mic.fill"), 44, OnbStyle::accent(palette()), this);
    layout->addWidget(m_symbol, 0, Qt::AlignHCenter);
    m_title = new QLabel(this);
    m_title->setFont(OnbStyle::font(26, QFont::Bold));
    m_title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(m_title);

    auto* plate = new PracticePlate(this);
    m_practice = plate;
    auto* practice = new QVBoxLayout(plate);
    practice->setContentsMargins(0, 0, 0, 0);
    practice->setSpacing(kSpacing);
    m_explanation = OnbStyle::centredText(QString(), 13, OnbStyle::secondary(palette()), plate);
    practice->addWidget(m_explanation);
    m_field = new PracticeField(plate);
    m_field->setMinimumWidth(kFieldWidth);
    plate->field = m_field;
    practice->addWidget(m_field, 0, Qt::AlignHCenter);
    layout->addWidget(plate);

    m_waiting = new QWidget(this);
    auto* waiting = new QVBoxLayout(m_waiting);
    waiting->setContentsMargins(0, 0, 0, 0);
    waiting->setSpacing(kSpacing);
    waiting->addWidget(OnbStyle::centredText(
        QStringLiteral("Still setting up the speech engine. This is the last thing it needs to finish."), 13,
        OnbStyle::secondary(palette()), m_waiting));
    m_bar = new QProgressBar(m_waiting);
    m_bar->setTextVisible(false);
    m_bar->setFixedWidth(kBarWidth);
    waiting->addWidget(m_bar, 0, Qt::AlignHCenter);
    layout->addWidget(m_waiting);

    m_voice = new QPushButton(this);
    m_voice->setFlat(true);
    m_voice->setCursor(Qt::PointingHandCursor);
    m_voice->setFont(OnbStyle::font(12));
    m_voice->setIcon(QIcon(TintedSymbol::pixmap(QStringLiteral("speaker.wave.2.fill"), 12, OnbStyle::accent(palette()),
                                                devicePixelRatioF())));
    OnbStyle::setForeground(*m_voice, OnbStyle::accentText(palette()));
    layout->addWidget(m_voice, 0, Qt::AlignHCenter);

    connect(m_voice, &QPushButton::clicked, this, &FirstWordsStep::hearVoice);
    connect(m_field, &QPlainTextEdit::textChanged, this, &FirstWordsStep::refresh);
    connect(&bootstrap, &EngineBootstrap::stageChanged, this, &FirstWordsStep::followStage);
    connect(&bootstrap, &EngineBootstrap::progressChanged, this, &FirstWordsStep::followStage);
    followStage();
    refresh();
}

bool FirstWordsStep::didDictate() const { return !m_field->toPlainText().trimmed().isEmpty(); }

QString FirstWordsStep::title() const { return m_title->text(); }

QString FirstWordsStep::buttonTitle() const { return m_voice->text(); }

bool FirstWordsStep::showsPracticeField() const { return !m_practice->isHidden(); }

void FirstWordsStep::refresh() {
    const bool done = didDictate();
    m_symbol->setPixmap(
        TintedSymbol::pixmap(done ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("mic.fill"), 44,
                             done ? OnbStyle::green(palette()) : OnbStyle::accent(palette()), devicePixelRatioF()));
    m_title->setText(done ? QStringLiteral("That is the whole thing") : QStringLiteral("Try it once"));
    m_explanation->setText(
        done
            ? Wording::of(QStringLiteral("It works the same in Mail, Safari, your editor, anywhere your Mac can type."))
            : Wording::of(
                QStringLiteral("Double-tap the right \u2318 key, say anything, then double-tap again to stop.")));
    m_voice->setText(done           ? QStringLiteral("Read that back")
                     : m_heardVoice ? QStringLiteral("Say it again")
                                    : QStringLiteral("Hear the reading voice"));
}

void FirstWordsStep::followStage() {
    const Stage stage = m_bootstrap.stage();
    const bool ready = stage == Stage::Ready;
    const bool wasShowingField = showsPracticeField();
    m_practice->setHidden(!ready);
    m_waiting->setHidden(ready);
    if (stage == Stage::Models) {
        m_bar->setRange(0, kBarSteps);
        m_bar->setValue(qRound(m_bootstrap.progress() * kBarSteps));
    } else {
        m_bar->setRange(0, 0);
    }
    if (ready && (!wasShowingField || isVisible()))
        m_field->setFocus(Qt::OtherFocusReason);
}

void FirstWordsStep::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (showsPracticeField())
        m_field->setFocus(Qt::OtherFocusReason);
}

void FirstWordsStep::hearVoice() {
    m_heardVoice = true;
    refresh();
    if (!m_speak)
        return;
    const QString text = m_field->toPlainText().trimmed();
    if (!text.isEmpty()) {
        (void)m_speak(text, 1.0, 1.0F);
        return;
    }
    const QString greeting = m_lines.greeting ? m_lines.greeting() : QString();
    const std::optional<QString> whisper = m_lines.whisper ? m_lines.whisper() : std::nullopt;
    Speak speak = m_speak;
    QFuture<void> first = speak(greeting, 1.0, 1.0F);
    if (!whisper)
        return;
    first.then(this, [speak, line = *whisper] { (void)speak(line, kWhisperSpeed, kWhisperVolume); });
}
