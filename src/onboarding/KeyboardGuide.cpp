#include "onboarding/KeyboardGuide.h"

#include "looks/TextColours.h"
#include "onboarding/Keyboard.h"
#include "onboarding/OnbBody.h"
#include "onboarding/OnbStyle.h"
#include "onboarding/OnbSymbol.h"
#include "onboarding/OnbTitle.h"
#include "onboarding/SweepingHighlight.h"
#include "platform/Wording.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"
#include "translator/Translator.h"

#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kMaxWidth = 520;
constexpr int kSegmentsWidth = 250;
constexpr int kSegmentHeight = 20;
// Kept a little tighter than a roomier layout would have them, so that the
// whole guide fits one onboarding page above its footer.
constexpr int kKeyboardTopWithHeading = 10;
constexpr int kSegmentsGap = 10;
constexpr int kCardGap = 8;
constexpr int kCardInset = 12;

QLabel* smallCaps(const QString& text, qreal pixels, qreal spacing, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont f = OnbStyle::font(pixels, QFont::Bold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    label->setFont(f);
    OnbStyle::setForeground(*label, color);
    return label;
}

// The example card's plate.
class Card : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(OnbStyle::withAlpha(OnbStyle::primary(palette()), 0.1F), 1));
        painter.setBrush(OnbStyle::withAlpha(OnbStyle::primary(palette()), 0.02F));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 11, 11);
    }
};

QFrame* bar(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette p = line->palette();
    p.setColor(QPalette::Window, OnbStyle::withAlpha(OnbStyle::primary(parent->palette()), 0.1F));
    line->setPalette(p);
    return line;
}

} // namespace

KeyboardGuide::KeyboardGuide(Topic topic, bool showsHeading, Defaults& defaults, QWidget* parent)
    : QWidget(parent), m_topic(topic), m_defaults(defaults) {
    const bool speaking = topic == Topic::Speaking;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (showsHeading) {
        layout->addWidget(new OnbTitle(speaking ? QStringLiteral("Speaking") : QStringLiteral("Reading"), this));
        layout->addSpacing(6);
        layout->addWidget(
            new OnbBody(speaking ? QStringLiteral("Out of the box these two keys. Tap twice to start, once to stop.")
                                 : QStringLiteral("Out of the box these two keys. Select text, tap twice to "
                                                  "start, once to stop."),
                        this));
    }
    layout->addSpacing(showsHeading ? kKeyboardTopWithHeading : 4);
    m_keyboard = new Keyboard({QStringLiteral("QWERTYUIOP"), QStringLiteral("ASDFGHJKL"), QStringLiteral("ZXCVBNM")}, 4,
                              7, this);
    layout->addWidget(m_keyboard);
    layout->addSpacing(7);
    auto* hint = new QLabel(QStringLiteral("defaults \u00b7 change any of them in Settings"), this);
    hint->setFont(OnbStyle::font(10));
    hint->setAlignment(Qt::AlignHCenter);
    OnbStyle::setForeground(*hint, OnbStyle::tertiary(palette()));
    layout->addWidget(hint);
    layout->addSpacing(5);
    auto* legend = new QHBoxLayout;
    legend->setContentsMargins(0, 0, 0, 0);
    legend->addWidget(
        smallCaps(QStringLiteral("\u2190 LEFT TRANSLATES"), 9.5, 0.7, TextColours::violet(palette()), this));
    legend->addStretch();
    legend->addWidget(
        smallCaps(QStringLiteral("RIGHT DOES NOT \u2192"), 9.5, 0.7, OnbStyle::accentText(palette()), this));
    layout->addLayout(legend);
    layout->addSpacing(kSegmentsGap);

    auto* segments = new QWidget(this);
    segments->setFixedWidth(kSegmentsWidth);
    auto* segmentRow = new QHBoxLayout(segments);
    segmentRow->setContentsMargins(0, 0, 0, 0);
    segmentRow->setSpacing(0);
    m_translationSegment = new QPushButton(QStringLiteral("Translation"), segments);
    m_plainSegment = new QPushButton(speaking ? QStringLiteral("Dictation") : QStringLiteral("Reading"), segments);
    auto* group = new QButtonGroup(segments);
    for (QPushButton* b : {m_translationSegment, m_plainSegment}) {
        b->setCheckable(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setFixedHeight(kSegmentHeight);
        group->addButton(b);
        segmentRow->addWidget(b);
    }
    m_translationSegment->setChecked(true);
    connect(m_translationSegment, &QPushButton::clicked, this, [this] { setTranslating(true); });
    connect(m_plainSegment, &QPushButton::clicked, this, [this] { setTranslating(false); });
    layout->addWidget(segments, 0, Qt::AlignHCenter);
    layout->addSpacing(kCardGap);

    auto* card = new Card(this);
    card->setMaximumWidth(kMaxWidth);
    auto* rows = new QVBoxLayout(card);
    rows->setContentsMargins(kCardInset, kCardInset, kCardInset, kCardInset);
    rows->setSpacing(0);
    rows->addWidget(smallCaps(speaking ? QStringLiteral("YOU SAY IT") : QStringLiteral("A PAGE IN FRONT OF YOU"), 9.5,
                              0.8, OnbStyle::tertiary(palette()), card));
    rows->addSpacing(8);
    if (speaking) {
        auto* said = new QHBoxLayout;
        said->setSpacing(8);
        auto* mic = new OnbSymbol(QStringLiteral("mic"), 13, OnbStyle::secondary(palette()), card);
        mic->setContentsMargins(0, 2, 0, 0);
        said->addWidget(mic, 0, Qt::AlignTop);
        auto* sentence = new QLabel(QStringLiteral("\u201c") + kEnglish + QStringLiteral("\u201d"), card);
        sentence->setFont(OnbStyle::font(12));
        sentence->setWordWrap(true);
        said->addWidget(sentence, 1);
        rows->addLayout(said);
    } else {
        rows->addWidget(new SweepingHighlight(kEnglish, card));
    }
    rows->addSpacing(11);
    auto* divider = new QHBoxLayout;
    divider->setSpacing(8);
    divider->addWidget(bar(card), 1, Qt::AlignVCenter);
    m_divider = smallCaps(QString(), 9.5, 0.6, OnbStyle::accentText(palette()), card);
    divider->addWidget(m_divider);
    divider->addWidget(bar(card), 1, Qt::AlignVCenter);
    rows->addLayout(divider);
    rows->addSpacing(11);
    m_output = new QLabel(card);
    m_output->setFont(OnbStyle::font(12, QFont::DemiBold));
    m_output->setWordWrap(true);
    rows->addWidget(m_output);
    rows->addSpacing(9);
    m_caption = smallCaps(QString(), 9.5, 0.3, OnbStyle::accentText(palette()), card);
    m_caption->setContentsMargins(8, 3, 8, 3);
    rows->addWidget(m_caption, 0, Qt::AlignLeft);
    layout->addWidget(card);
    setMaximumWidth(kMaxWidth);

    connect(&defaults, &Defaults::changed, this, [this](const QString& key) {
        using namespace DictationSettings;
        if (key == kTranslateTapKey || key == kTranslateReadTapKey || key == kDoubleTapDictationKey
            || key == kDoubleTapReaderKey || key.startsWith(QStringLiteral("translation")))
            refresh();
    });
    refresh();
}

QString KeyboardGuide::name(const QString& key) {
    static const QMap<QString, QString> names{
        {QStringLiteral("leftControl"), QStringLiteral("Control")},
        {QStringLiteral("rightControl"), QStringLiteral("Control")},
        {QStringLiteral("rightCommand"), QStringLiteral("Right Command")},
        {QStringLiteral("leftCommand"), QStringLiteral("Left Command")},
        {QStringLiteral("rightOption"), QStringLiteral("Right Option")},
        {QStringLiteral("leftOption"), QStringLiteral("Left Option")},
    };
    return names.value(key, key);
}

QString KeyboardGuide::activeKey() const {
    using namespace DictationSettings;
    if (m_topic == Topic::Speaking)
        return readText(m_defaults, m_translating ? kTranslateTapKey : kDoubleTapDictationKey);
    return readText(m_defaults, m_translating ? kTranslateReadTapKey : kDoubleTapReaderKey);
}

QString KeyboardGuide::caption() const {
    if (m_topic == Topic::Speaking)
        return m_translating ? QStringLiteral("typed in ") + Translator::displayName(Translator::typeTarget())
                             : QStringLiteral("typed where your cursor is");
    return m_translating ? QStringLiteral("read aloud in ") + Translator::displayName(Translator::readTarget())
                         : QStringLiteral("read aloud, the same words");
}

QString KeyboardGuide::dividerText() const {
    return Wording::of(name(activeKey())).toUpper() + QStringLiteral(" \u00d72");
}

QString KeyboardGuide::outputText() const { return m_translating ? kSpanish : kEnglish; }

void KeyboardGuide::setTranslating(bool translating) {
    m_translating = translating;
    (translating ? m_translationSegment : m_plainSegment)->setChecked(true);
    refresh();
}

void KeyboardGuide::refresh() {
    // In the text shades of both colours, as the keys' legends take them too.
    const QColor accent = m_translating ? TextColours::violet(palette()) : OnbStyle::accentText(palette());
    const QString key = activeKey();
    m_keyboard->setLit({{key, accent}});
    m_keyboard->setPressed(key);
    m_divider->setText(dividerText());
    OnbStyle::setForeground(*m_divider, accent);
    m_output->setText(outputText());
    OnbStyle::setForeground(*m_output, m_translating ? TextColours::violet(palette()) : OnbStyle::primary(palette()));
    m_caption->setText(caption());
    OnbStyle::setForeground(*m_caption, accent);
    m_caption->setStyleSheet(QStringLiteral("QLabel { color: rgb(%1,%2,%3); background: rgba(%1,%2,%3,31); "
                                            "border-radius: 8px; }")
                                 .arg(accent.red())
                                 .arg(accent.green())
                                 .arg(accent.blue()));
}
