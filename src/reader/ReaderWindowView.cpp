#include "reader/ReaderWindowView.h"

#include "looks/RuledSurface.h"
#include "looks/Symbols.h"
#include "reader/ReaderWindowController.h"
#include "reader/ReaderWordLabel.h"
#include "reader/WordFlowLayout.h"
#include "support/Defaults.h"

#include <QComboBox>
#include <QEasingCurve>
#include <QEvent>
#include <QFontMetricsF>
#include <QFrame>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <cmath>

namespace {

constexpr const char* kWordIndex = "wordIndex";
constexpr int kRowSpacing = 12;
constexpr int kRowSide = 14;
constexpr int kRowTopBottom = 10;
constexpr int kPreparingSpacing = 10;
constexpr int kSymbolSide = 18;
constexpr int kPlaySymbolSide = 14;
constexpr int kSpinnerSide = 16;

struct Speed {
    const char* text;
    double rate;
};
constexpr Speed kSpeeds[] = {{"1\u00d7", 1.0}, {"1.25\u00d7", 1.25}, {"1.5\u00d7", 1.5}, {"2\u00d7", 2.0}};

QString rgba(const QColor& colour) {
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(QString::number(colour.alphaF(), 'f', 3));
}

QColor withAlpha(QColor colour, double alpha) {
    colour.setAlphaF(alpha);
    return colour;
}

// A symbol drawn in one colour, for buttons on either shade.
QIcon tinted(const QString& name, const QColor& colour, int side) {
    const qreal ratio = 2;
    QPixmap pixmap = Symbols::icon(name).pixmap(QSize(side, side) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(0, 0, side, side), colour);
    painter.end();
    return QIcon(pixmap);
}

} // namespace

ReaderWindowView::ReaderWindowView(ReaderWindowController& reader, Defaults& defaults, QWidget* parent)
    : QWidget(parent), m_reader(reader), m_defaults(defaults) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(1, 1, 1, 1);
    column->setSpacing(0);

    m_scroll = new QScrollArea;
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_page = new QWidget;
    m_page->setAutoFillBackground(false);
    m_page->installEventFilter(this);
    auto* page = new QVBoxLayout(m_page);
    page->setContentsMargins(0, kPagePadding, 0, kPagePadding);
    page->setSpacing(0);

    m_preparingRow = new QWidget;
    auto* preparing = new QHBoxLayout(m_preparingRow);
    preparing->setContentsMargins(kPaperLeading, 0, kPaperTrailing, 0);
    preparing->setSpacing(kPreparingSpacing);
    auto* spinner = new QProgressBar;
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setFixedSize(kSpinnerSide * 2, kSpinnerSide / 2);
    m_preparingLabel = new QLabel(QStringLiteral("Reading it through first\u2026"));
    preparing->addWidget(spinner, 0, Qt::AlignVCenter);
    preparing->addWidget(m_preparingLabel, 1, Qt::AlignVCenter);
    page->addWidget(m_preparingRow);

    m_statusLabel = new QLabel;
    m_statusLabel->setTextFormat(Qt::PlainText);
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setContentsMargins(kPaperLeading, 0, kPaperTrailing, 0);
    m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    page->addWidget(m_statusLabel);

    m_flow = new QWidget;
    m_flow->setCursor(Qt::PointingHandCursor);
    auto* flow = new WordFlowLayout(FlowLayout{}, m_flow);
    flow->setContentsMargins(kPaperLeading, 0, kPaperTrailing, 0);
    flow->setMeasure(kMeasure);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    m_flow->setSizePolicy(policy);
    page->addWidget(m_flow);
    page->addStretch(1);
    m_scroll->setWidget(m_page);
    column->addWidget(m_scroll, 1);

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setFixedHeight(1);
    column->addWidget(divider);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(kRowSide, kRowTopBottom, kRowSide, kRowTopBottom);
    row->setSpacing(kRowSpacing);
    auto button = [](const QString& label) {
        auto* b = new QToolButton;
        b->setAutoRaise(true);
        b->setAccessibleName(label);
        b->setIconSize(QSize(kSymbolSide, kSymbolSide));
        return b;
    };
    m_back = button(QStringLiteral("Back fifteen seconds"));
    m_play = button(QStringLiteral("Start reading"));
    m_play->setFixedSize(kPlaySide, kPlaySide);
    m_play->setIconSize(QSize(kPlaySymbolSide, kPlaySymbolSide));
    m_forward = button(QStringLiteral("Forward fifteen seconds"));
    m_scrubber = new QSlider(Qt::Horizontal);
    m_clock = new QLabel;
    QFont clockFont(QStringLiteral("monospace"));
    clockFont.setStyleHint(QFont::Monospace);
    clockFont.setPixelSize(int(kClockSize));
    m_clock->setFont(clockFont);
    m_speed = new QComboBox;
    m_speed->setFixedWidth(kSpeedWidth);
    for (const Speed& speed : kSpeeds)
        m_speed->addItem(QString::fromUtf8(speed.text), speed.rate);
    m_save = button(QString());
    m_save->setToolTip(QStringLiteral("Save this reading as an audio file"));
    m_saving = new QProgressBar;
    m_saving->setRange(0, 0);
    m_saving->setTextVisible(false);
    m_saving->setFixedSize(kSpinnerSide * 2, kSpinnerSide / 2);
    row->addWidget(m_back);
    row->addWidget(m_play);
    row->addWidget(m_forward);
    row->addWidget(m_scrubber, 1);
    row->addWidget(m_clock);
    row->addWidget(m_speed);
    row->addWidget(m_save);
    row->addWidget(m_saving);
    column->addLayout(row);

    connect(m_back, &QToolButton::clicked, this, [this] { m_reader.skip(-kSkipSeconds); });
    connect(m_forward, &QToolButton::clicked, this, [this] { m_reader.skip(kSkipSeconds); });
    connect(m_play, &QToolButton::clicked, this, [this] { m_reader.togglePlayback(); });
    connect(m_scrubber, &QSlider::valueChanged, this, [this](int value) { m_reader.scrub(value / 1000.0); });
    connect(m_speed, &QComboBox::activated, this,
            [this](int index) { m_reader.setRate(m_speed->itemData(index).toDouble()); });
    connect(m_save, &QToolButton::clicked, this, [this] { (void)m_reader.exportAudio(); });

    connect(&m_reader, &ReaderWindowController::timelineChanged, this, [this] {
        rebuildWords();
        showState();
    });
    connect(&m_reader, &ReaderWindowController::positionChanged, this, &ReaderWindowView::showPosition);
    connect(&m_reader, &ReaderWindowController::stateChanged, this, &ReaderWindowView::showState);
    connect(&m_defaults, &Defaults::changed, this, [this](const QString& key) {
        if (key == QLatin1String(kShadeKey))
            restyle();
    });
    restyle();
    rebuildWords();
    showState();
}

bool ReaderWindowView::isDark(const QString& shade, bool appearanceIsDark) {
    if (shade == QLatin1String("cream"))
        return false;
    if (shade == QLatin1String("slate"))
        return true;
    return appearanceIsDark;
}

QString ReaderWindowView::clockText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        return QStringLiteral("0:00");
    const long long whole = static_cast<long long>(seconds);
    return QString::asprintf("%d:%02d", int(whole / 60), int(whole % 60));
}

QColor ReaderWindowView::highlight(bool dark) {
    return QColor::fromRgbF(0.831f, 0.4f, 0.122f, float(dark ? kHighlightDark : kHighlightLight));
}

void ReaderWindowView::restyle() {
    m_dark = isDark(m_defaults.stringOr(QLatin1String(kShadeKey), QStringLiteral("automatic")),
                    Paper::applicationLooksDark());
    m_palette = Paper::palette(m_dark);
    const QColor dim = withAlpha(m_palette.ink, m_dark ? kDimDark : kDimLight);

    // The whole content takes the shade's scheme whatever the desktop's.
    QPalette scheme = palette();
    scheme.setColor(QPalette::Window, m_palette.sheet);
    scheme.setColor(QPalette::Base, m_palette.sheet);
    scheme.setColor(QPalette::AlternateBase, m_palette.sheet);
    scheme.setColor(QPalette::Button, m_palette.sheet);
    scheme.setColor(QPalette::WindowText, m_palette.ink);
    scheme.setColor(QPalette::Text, m_palette.ink);
    scheme.setColor(QPalette::ButtonText, m_palette.ink);
    scheme.setColor(QPalette::Mid, m_palette.edge);
    scheme.setColor(QPalette::Dark, m_palette.edge);
    scheme.setColor(QPalette::Highlight, highlight(m_dark).toRgb());
    setPalette(scheme);

    QFont wordFont = font();
    wordFont.setPixelSize(int(kWordSize));
    m_preparingLabel->setFont(wordFont);
    m_statusLabel->setFont(wordFont);
    m_preparingLabel->setStyleSheet(QStringLiteral("color:%1;").arg(rgba(dim)));
    m_statusLabel->setStyleSheet(QStringLiteral("color:%1;").arg(rgba(dim)));
    m_clock->setStyleSheet(QStringLiteral("color:%1;").arg(rgba(dim)));
    m_back->setIcon(tinted(QStringLiteral("gobackward.15"), m_palette.ink, kSymbolSide));
    m_forward->setIcon(tinted(QStringLiteral("goforward.15"), m_palette.ink, kSymbolSide));
    m_save->setIcon(tinted(QStringLiteral("square.and.arrow.down"), m_palette.ink, kSymbolSide));
    m_flow->setFont(wordFont);
    for (int i = 0; i < m_words.size(); ++i)
        styleWord(i);
    showState();
    update();
}

void ReaderWindowView::styleWord(int index) {
    const int sentence = m_reader.timeline().words[index].sentence;
    const QColor ink =
        m_litSentence == sentence ? m_palette.ink : withAlpha(m_palette.ink, m_dark ? kDimDark : kDimLight);
    m_words[index]->setLook(ink, m_lit == index ? std::optional<QColor>(highlight(m_dark)) : std::nullopt);
}

void ReaderWindowView::rebuildWords() {
    auto* flow = static_cast<WordFlowLayout*>(m_flow->layout());
    // Words made under a hidden flow are shown together when it is shown,
    // rather than each through a queued call of its own.
    m_flow->hide();
    qDeleteAll(m_words);
    m_words.clear();
    m_sentenceStarts.clear();
    const ReaderTimeline& timeline = m_reader.timeline();
    m_lit = timeline.index(m_reader.currentTime());
    m_litSentence = timeline.sentence(m_reader.currentTime());
    m_words.reserve(timeline.words.size());
    // Words repeat: each distinct one is measured once.
    const QFontMetricsF metrics(m_flow->font());
    QHash<QString, QSize> measured;
    for (int i = 0; i < timeline.words.size(); ++i) {
        const ReaderTimeline::Word& word = timeline.words[i];
        if (m_sentenceStarts.size() <= word.sentence)
            m_sentenceStarts.append(i);
        auto size = measured.constFind(word.text);
        if (size == measured.cend())
            size = measured.insert(word.text, QSize(int(std::ceil(metrics.horizontalAdvance(word.text))),
                                                    int(std::ceil(metrics.height()))));
        // The words take their font from the flow.
        auto* label = new ReaderWordLabel(word.text, *size, m_flow);
        label->setProperty(kWordIndex, i);
        label->installEventFilter(this);
        m_words.append(label);
        styleWord(i);
        flow->addWidget(label);
    }
    flow->invalidate();
}

void ReaderWindowView::showState() {
    const bool preparing = m_reader.preparing();
    const bool words = !m_reader.timeline().words.isEmpty();
    m_preparingRow->setVisible(preparing);
    m_flow->setVisible(!preparing && words);
    // A notice stands above the words when there are any: an output that
    // would not start says so over the passage it could not play.
    m_statusLabel->setVisible(!preparing && (!words || m_reader.status()));
    m_statusLabel->setText(m_reader.status().value_or(QStringLiteral("Nothing to read.")));

    const bool playing = m_reader.isPlaying();
    m_play->setIcon(
        tinted(playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"), m_palette.ink, kPlaySymbolSide));
    m_play->setAccessibleName(playing ? QStringLiteral("Pause reading") : QStringLiteral("Start reading"));
    const int index = m_speed->findData(m_reader.rate());
    if (index >= 0)
        m_speed->setCurrentIndex(index);
    m_save->setVisible(!m_reader.exporting());
    m_saving->setVisible(m_reader.exporting());
    showPosition();
}

void ReaderWindowView::showPosition() {
    const ReaderTimeline& timeline = m_reader.timeline();
    const double now = m_reader.currentTime();
    const std::optional<int> lit = timeline.index(now);
    const std::optional<int> sentence = timeline.sentence(now);
    if (lit != m_lit || sentence != m_litSentence) {
        const std::optional<int> oldLit = m_lit;
        const std::optional<int> oldSentence = m_litSentence;
        m_lit = lit;
        m_litSentence = sentence;
        // Only the words whose look changes: the two sentences and the two words.
        for (const std::optional<int>& changed : {oldSentence, sentence}) {
            if (!changed || *changed >= m_sentenceStarts.size() || (changed == sentence && changed == oldSentence))
                continue;
            const int end =
                *changed + 1 < m_sentenceStarts.size() ? m_sentenceStarts[*changed + 1] : int(m_words.size());
            for (int i = m_sentenceStarts[*changed]; i < end; ++i)
                styleWord(i);
        }
        for (const std::optional<int>& word : {oldLit, lit})
            if (word && *word < m_words.size())
                styleWord(*word);
        if (lit && lit != oldLit)
            follow(*lit);
    }

    const double range = std::max(timeline.duration, kMinimumScrubRange);
    const QSignalBlocker block(m_scrubber);
    m_scrubber->setRange(0, int(std::lround(range * 1000)));
    m_scrubber->setValue(int(std::lround(std::max(0.0, now) * 1000)));
    m_clock->setText(clockText(now) + QStringLiteral(" / ") + clockText(timeline.duration));
}

void ReaderWindowView::follow(int index) {
    if (!isVisible() || index >= m_words.size())
        return;
    QScrollBar* bar = m_scroll->verticalScrollBar();
    const QLabel* word = m_words[index];
    const int centre = word->mapTo(m_page, word->rect().center()).y();
    const int target = std::clamp(centre - m_scroll->viewport()->height() / 2, bar->minimum(), bar->maximum());
    if (target == bar->value())
        return;
    if (m_followAnimation)
        m_followAnimation->stop();
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(bar->value());
    animation->setEndValue(target);
    animation->setDuration(int(kFollowDuration.count()));
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation, &QVariantAnimation::valueChanged, bar,
            [bar](const QVariant& value) { bar->setValue(value.toInt()); });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    m_followAnimation = animation;
}

bool ReaderWindowView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_page && event->type() == QEvent::Paint) {
        QPainter painter(m_page);
        RuledSurface{kRuleHeight, m_palette}.paint(painter, QRectF(m_page->rect()));
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const QVariant index = watched->property(kWordIndex);
        if (index.isValid() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_reader.seekToWord(index.toInt());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ReaderWindowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outline = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(m_palette.edge, 1));
    painter.setBrush(m_palette.sheet);
    painter.drawRoundedRect(outline, kCornerRadius, kCornerRadius);
}
