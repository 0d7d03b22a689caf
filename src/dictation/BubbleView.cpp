#include "dictation/BubbleView.h"

#include "dictation/BroomButton.h"
#include "dictation/BubbleStyle.h"
#include "dictation/GlassUnlessPaper.h"
#include "dictation/ProgressSpinner.h"
#include "dictation/VariantGlassBackground.h"
#include "dictation/WaveformView.h"
#include "dictation/WordSwapRow.h"
#include "looks/GlassBackdrop.h"
#include "looks/Motion.h"
#include "looks/Paper.h"
#include "looks/PaperCard.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"
#include "translator/Translator.h"

#include <QCoreApplication>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QTextLayout>

#include <cmath>

namespace {

constexpr qreal kTextSize = 14.5;
constexpr qreal kHeaderTextSize = 11.5;
constexpr qreal kBadgeTextSize = 10;
constexpr int kHeaderHeight = 26;
constexpr int kHeaderSpacing = 8;
constexpr int kIconSide = 20;
constexpr int kPillIconSide = 18;
constexpr int kColumnSpacing = 8;
constexpr qreal kCardLineSpacing = 3;
constexpr qreal kPaperExtraLeading = 6;
constexpr QMarginsF kCardPadding{20, 15, 20, 15};
constexpr qreal kPillPadX = 16;
constexpr qreal kPillPadY = 9;
constexpr qreal kPillSpacing = 10;
constexpr qreal kBadgePadX = 6;
constexpr qreal kBadgePadY = 2;
constexpr qreal kModeBadgeAlpha = 0.22;
constexpr qreal kTranslationBadgeAlpha = 0.26;
constexpr qreal kLightFillAlpha = 0.38;
constexpr qreal kDarkFillAlpha = 0.22;
constexpr qreal kLightShadowAlpha = 0.4;
constexpr qreal kBadgeLettersOnLight = 0.75;
constexpr qreal kBadgeLettersOnDark = 0.9;
constexpr qreal kDarkShadowAlpha = 0.65;

const QString kPushpin = QStringLiteral("\U0001F4CC");
const QString kEllipsis = QStringLiteral("\u2026");

QString trimSpacesAndTabs(const QString& text) {
    // Space separators and tabs only; line breaks stay.
    auto blank = [](QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; };
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

struct Span {
    qsizetype start;
    qsizetype length;
};

// The lines `text` wraps into at `width`, as offsets into it; explicit line
// breaks end lines too.
QList<Span> wrap(const QString& text, const QFont& font, qreal width) {
    QList<Span> spans;
    qsizetype paragraphStart = 0;
    while (true) {
        qsizetype paragraphEnd = text.indexOf(QLatin1Char('\n'), paragraphStart);
        if (paragraphEnd < 0)
            paragraphEnd = text.size();
        const QString paragraph = text.mid(paragraphStart, paragraphEnd - paragraphStart);
        if (paragraph.isEmpty()) {
            spans << Span{paragraphStart, 0};
        } else {
            QTextLayout layout(paragraph, font);
            QTextOption option;
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(width);
                spans << Span{paragraphStart + line.textStart(), line.textLength()};
            }
            layout.endLayout();
        }
        if (paragraphEnd >= text.size())
            break;
        paragraphStart = paragraphEnd + 1;
    }
    return spans;
}

QStringList texts(const QString& text, const QList<Span>& spans) {
    QStringList lines;
    for (const Span& span : spans) {
        QString line = text.mid(span.start, span.length);
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
        lines << line;
    }
    return lines;
}

QColor toneColour(BubbleView::Tone tone, bool light) {
    switch (tone) {
    case BubbleView::Tone::Green:
        return BubbleStyle::green();
    case BubbleView::Tone::Orange:
        return BubbleStyle::orange();
    case BubbleView::Tone::Secondary:
        break;
    }
    return BubbleStyle::secondary(light);
}

// Whether some installed font has a glyph for `text` (the pushpin emoji is
// missing on desktops without an emoji font).
bool fontsCanDraw(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns())
        for (quint32 glyph : run.glyphIndexes())
            if (glyph == 0)
                return false;
    return !layout.glyphRuns().isEmpty();
}

// A drawn pushpin, standing in for the emoji: a red head on a grey needle.
void paintPin(QPainter& painter, const QRectF& box) {
    painter.save();
    const qreal head = box.width() * 0.32;
    const QPointF centre(box.center().x(), box.top() + box.height() * 0.36);
    painter.setPen(QPen(QColor(120, 120, 120), 1.1, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, QPointF(centre.x() - box.width() * 0.18, box.bottom() - 1));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(230, 60, 60));
    painter.drawEllipse(centre, head, head);
    painter.restore();
}

// A capsule badge at `x`, centred on `centreY`, its text led by a pushpin
// when `pinned`; gives its width.
qreal paintBadge(QPainter& painter, qreal x, qreal centreY, const QString& text, bool pinned, const QColor& fill,
                 const QColor& letters) {
    const QFont font = BubbleStyle::font(kBadgeTextSize, QFont::DemiBold);
    const QFontMetricsF metrics(font);
    static const bool emoji = fontsCanDraw(kPushpin, font);
    const QString shown = pinned && emoji ? kPushpin + QLatin1Char(' ') + text : text;
    const qreal pinWidth = pinned && !emoji ? metrics.height() * 0.8 + metrics.horizontalAdvance(QLatin1Char(' ')) : 0;
    const QRectF box(x, centreY - (metrics.height() + 2 * kBadgePadY) / 2,
                     pinWidth + metrics.horizontalAdvance(shown) + 2 * kBadgePadX, metrics.height() + 2 * kBadgePadY);
    QPainterPath capsule;
    capsule.addRoundedRect(box, box.height() / 2, box.height() / 2);
    painter.fillPath(capsule, fill);
    if (pinWidth > 0)
        paintPin(painter,
                 QRectF(box.left() + kBadgePadX, box.top() + kBadgePadY, metrics.height() * 0.8, metrics.height()));
    painter.setFont(font);
    painter.setPen(letters);
    painter.drawText(box.adjusted(pinWidth, 0, 0, 0), Qt::AlignCenter, shown);
    return box.width();
}

} // namespace

BubbleView::Settings BubbleView::Settings::read(const Defaults& defaults) {
    Settings settings;
    settings.previewStyle = defaults.stringOr(QStringLiteral("previewStyle"), settings.previewStyle);
    settings.paperTheme = DictationSettings::readBool(defaults, DictationSettings::kPaperTheme);
    settings.paperShade = DictationSettings::readText(defaults, DictationSettings::kPaperShade);
    settings.cardStyle = defaults.stringOr(QStringLiteral("cardStyle"), settings.cardStyle);
    return settings;
}

BubbleView::BubbleView(AppState& state, Defaults& defaults, Actions actions, QWidget* parent)
    : QWidget(parent), m_state(state), m_defaults(defaults),
      m_broom(new BroomButton(state, std::move(actions.cleanUp), this)), m_waveform(new WaveformView(this)),
      m_spinner(new ProgressSpinner(this)), m_swapRow(new WordSwapRow(std::move(actions.takeSwap), this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    resize(kWidth, kHeight);
    for (QWidget* child : std::initializer_list<QWidget*>{m_broom, m_waveform, m_spinner, m_swapRow})
        child->hide();
    const auto redraw = [this] { refresh(); };
    for (auto signal :
         {&AppState::bubbleModeChanged, &AppState::liveTextChanged, &AppState::finalTextChanged,
          &AppState::flashMessageChanged, &AppState::targetAppNameChanged, &AppState::modeNameChanged,
          &AppState::modeIsPinnedChanged, &AppState::targetAppIconChanged, &AppState::isTranslatingChanged,
          &AppState::cardAtTopChanged, &AppState::cleanupStateChanged, &AppState::wordSwapsChanged})
        connect(&m_state, signal, this, redraw);
    connect(&m_state, &AppState::micLevelChanged, this, [this] { m_waveform->setLevel(m_state.micLevel()); });
    connect(&m_defaults, &Defaults::changed, this, redraw);
    m_textFade.setDuration(int(kTextFade.count()));
    m_textFade.setStartValue(0.0);
    m_textFade.setEndValue(1.0);
    m_textFade.setEasingCurve(Motion::easeInOut());
    connect(&m_textFade, &QVariantAnimation::valueChanged, this, [this](const QVariant& shown) {
        m_textShown = shown.toReal();
        update();
    });
    connect(&m_textFade, &QVariantAnimation::finished, this, [this] {
        m_fadingLines.clear();
        m_textShown = 1;
        update();
    });
    refresh();
}

BubbleView::~BubbleView() = default;

BubbleView::Look BubbleView::look(const Settings& settings, BubbleMode mode) {
    if (settings.previewStyle == QLatin1String("pill")
        && (mode == BubbleMode::Listening || mode == BubbleMode::Thinking))
        return Look::Pill;
    return settings.paperTheme ? Look::PaperCard : Look::Card;
}

QString BubbleView::displayText(const AppState& state) {
    switch (state.bubbleMode()) {
    case BubbleMode::Thinking:
        return state.liveText().isEmpty() ? QStringLiteral("...") : state.liveText();
    case BubbleMode::Result:
        return state.finalText();
    case BubbleMode::Flash:
        return state.flashMessage();
    case BubbleMode::Listening:
    case BubbleMode::Hidden:
        break;
    }
    return state.liveText().isEmpty() ? QCoreApplication::translate("BubbleView", "Listening...") : state.liveText();
}

bool BubbleView::shouldShowModeBadge(const QString& mode, const QString& app, bool pinned) {
    const QString name = trimSpacesAndTabs(mode);
    if (name.isEmpty())
        return false;
    if (pinned)
        return true;
    if (name == QLatin1String("Notes"))
        return false;
    const QString appName = trimSpacesAndTabs(app);
    if (appName.isEmpty())
        return true;
    const QString lowerMode = name.toLower();
    const QString lowerApp = appName.toLower();
    return lowerApp != lowerMode && !lowerApp.contains(lowerMode);
}

std::optional<BubbleView::Status> BubbleView::statusLabel(BubbleMode mode, AppState::CleanupState cleanup) {
    auto tr = [](const char* text) { return QCoreApplication::translate("BubbleView", text); };
    switch (mode) {
    case BubbleMode::Listening:
        return Status{tr("listening"), Tone::Secondary};
    case BubbleMode::Thinking:
        return Status{tr("polishing"), Tone::Secondary};
    case BubbleMode::Result:
        switch (cleanup) {
        case AppState::CleanupState::Idle:
            return std::nullopt;
        case AppState::CleanupState::Cleaning:
            return Status{tr("cleaning up..."), Tone::Secondary};
        case AppState::CleanupState::Done:
            return Status{tr("cleaned up"), Tone::Green};
        case AppState::CleanupState::Copied:
            return Status{tr("cleaned, copied to clipboard"), Tone::Orange};
        }
        return std::nullopt;
    case BubbleMode::Hidden:
    case BubbleMode::Flash:
        break;
    }
    return std::nullopt;
}

QStringList BubbleView::shownLines(const QString& text, const QFont& font, qreal width, int maxLines) {
    const QList<Span> spans = wrap(text, font, width);
    if (spans.size() <= maxLines)
        return texts(text, spans);
    // Drop words from the head until the rest, behind an ellipsis, fits.
    qsizetype start = spans[spans.size() - maxLines].start;
    while (start < text.size()) {
        const QString candidate = kEllipsis + text.mid(start);
        const QList<Span> fitted = wrap(candidate, font, width);
        if (fitted.size() <= maxLines)
            return texts(candidate, fitted);
        const qsizetype nextSpace = text.indexOf(QLatin1Char(' '), start + 1);
        start = nextSpace < 0 ? start + 1 : nextSpace + 1;
    }
    return {kEllipsis};
}

QFont BubbleView::textFont() { return BubbleStyle::font(kTextSize, QFont::Medium); }

qreal BubbleView::paperLineHeight() {
    const QFontMetricsF metrics(textFont());
    return metrics.ascent() + metrics.descent() + kPaperExtraLeading;
}

bool BubbleView::showModeBadge() const {
    return shouldShowModeBadge(m_state.modeName(), m_state.targetAppName(), m_state.modeIsPinned());
}

bool BubbleView::paperIsDark() const {
    return Paper::isDark(Paper::fromString(m_settings.paperShade).value_or(Paper::Shade::Cream),
                         Paper::applicationLooksDark());
}

QPainterPath BubbleView::lookPath() const {
    const qreal radius = qMin(kCornerRadius, m_lookRect.height() / 2);
    QPainterPath path;
    path.addRoundedRect(m_lookRect, radius, radius);
    return path;
}

QRegion BubbleView::lookShape() const { return QRegion(lookPath().toFillPolygon().toPolygon()); }

void BubbleView::setOpaque(bool opaque) {
    if (opaque == m_opaque)
        return;
    m_opaque = opaque;
    update();
}

void BubbleView::refresh() {
    const QRectF before = m_lookRect;
    m_settings = Settings::read(m_defaults);
    const BubbleMode mode = m_state.bubbleMode();
    m_look = look(m_settings, mode);
    for (QWidget* child : std::initializer_list<QWidget*>{m_broom, m_waveform, m_spinner, m_swapRow})
        child->hide();
    m_trailing = nullptr;
    const bool light = m_look == Look::PaperCard ? !paperIsDark() : m_settings.light();
    m_waveform->setLight(light);
    m_waveform->setLevel(m_state.micLevel());
    m_spinner->setLight(light);
    if (m_look == Look::Pill)
        arrangePill(mode);
    else
        arrangeCard(mode, m_look == Look::PaperCard);
    update();
    // The corner radius follows the height, so the rectangle tells the outline.
    if (m_lookRect != before)
        emit lookChanged();
}

void BubbleView::arrangePill(BubbleMode mode) {
    QWidget* trailing = mode == BubbleMode::Thinking ? static_cast<QWidget*>(m_spinner) : m_waveform;
    const bool hasIcon = !m_state.targetAppIcon().isNull();
    const qreal iconWidth = hasIcon ? kPillIconSide + kPillSpacing : 0;
    const qreal contentHeight = qMax<qreal>(hasIcon ? kPillIconSide : 0, trailing->height());
    const qreal w = kPillPadX + iconWidth + trailing->width() + kPillPadX;
    const qreal h = kPillPadY + contentHeight + kPillPadY;
    const qreal top = m_state.cardAtTop() ? 0 : kHeight - h;
    m_lookRect = QRectF((kWidth - w) / 2, top, w, h);
    m_headerRect = QRectF(m_lookRect.left() + kPillPadX, top + kPillPadY, w - 2 * kPillPadX, contentHeight);
    m_textRect = {};
    fadeFrom({});
    m_lines.clear();
    trailing->move(int(m_headerRect.left() + iconWidth),
                   int(m_headerRect.top() + (contentHeight - trailing->height()) / 2));
    trailing->show();
    m_trailing = trailing;
}

void BubbleView::arrangeCard(BubbleMode mode, bool paper) {
    const QMarginsF pad = paper ? PaperCard::kPadding : kCardPadding;
    const qreal columnWidth = paper ? kPaperColumnWidth : kWidth - pad.left() - pad.right();
    const QFontMetricsF metrics(textFont());
    const QStringList previous = m_lines;
    m_lines = shownLines(displayText(m_state), textFont(), columnWidth, kMaxLines);
    if (m_lines != previous)
        fadeFrom(previous);
    m_linePitch = paper ? paperLineHeight() : metrics.lineSpacing() + kCardLineSpacing;
    const qreal textHeight = paper ? m_lines.size() * m_linePitch
                                   : m_lines.size() * metrics.lineSpacing() + (m_lines.size() - 1) * kCardLineSpacing;
    const bool swaps = !paper && mode == BubbleMode::Result && !m_state.wordSwaps().isEmpty();
    qreal swapHeight = 0;
    if (swaps) {
        m_swapRow->setSwaps(m_state.wordSwaps(), m_settings.light());
        swapHeight = kColumnSpacing + m_swapRow->rowHeight();
    }
    // On paper the text starts just below a rule, so that each line ends
    // half its extra leading above the next rule.
    qreal textOffset = pad.top() + kHeaderHeight + kColumnSpacing;
    if (paper)
        textOffset =
            std::ceil((textOffset - kPaperExtraLeading / 2) / m_linePitch) * m_linePitch + kPaperExtraLeading / 2;
    const qreal h = qMin<qreal>(kHeight, textOffset + textHeight + swapHeight + pad.bottom());
    const qreal top = m_state.cardAtTop() ? 0 : kHeight - h;
    m_lookRect = QRectF(0, top, kWidth, h);
    m_headerRect = QRectF(pad.left(), top + pad.top(), columnWidth, kHeaderHeight);
    m_textRect = QRectF(pad.left(), top + textOffset, columnWidth, textHeight);
    if (swaps) {
        m_swapRow->setGeometry(
            QRectF(pad.left(), m_textRect.bottom() + kColumnSpacing, columnWidth, m_swapRow->rowHeight()).toRect());
        m_swapRow->show();
    }

    QWidget* trailing = nullptr;
    if (mode == BubbleMode::Result) {
        m_broom->resize(m_broom->sizeHint());
        trailing = m_broom;
    } else if (mode == BubbleMode::Listening) {
        m_waveform->setActive(true);
        m_waveform->setBarCount(WaveformView::kDefaultBars);
        trailing = m_waveform;
    } else if (mode == BubbleMode::Thinking) {
        trailing = m_spinner;
    }
    if (trailing) {
        trailing->move(int(m_headerRect.right() - trailing->width()),
                       int(m_headerRect.top() + (kHeaderHeight - trailing->height()) / 2.0));
        trailing->show();
    }
    m_trailing = trailing;
}

void BubbleView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const bool paper = m_look == Look::PaperCard;
    const bool paperDark = paper && paperIsDark();
    const bool light = paper ? !paperDark : m_settings.light();
    const GlassUnlessPaper glass{m_settings.paperTheme, VariantGlassBackground::storedVariant(m_defaults),
                                 m_settings.light()};

    const QPainterPath shape = lookPath();
    if (m_opaque) {
        // Every pixel of the outline solid, the antialiased edge included:
        // the panel is cut to exactly these pixels.
        painter.save();
        painter.setClipRegion(lookShape());
        QColor ground =
            paper ? Paper::palette(paperDark).sheet : GlassBackdrop::fill(GlassBackdrop::Material::HudWindow);
        ground.setAlpha(255);
        painter.fillRect(rect(), ground);
        painter.restore();
    }
    painter.save();
    painter.setClipPath(shape);
    glass.paintBehind(painter, m_lookRect);
    const QColor fill = m_settings.light() ? BubbleStyle::withAlpha(Qt::white, kLightFillAlpha)
                                           : BubbleStyle::withAlpha(Qt::black, kDarkFillAlpha);
    switch (m_look) {
    case Look::Pill:
    case Look::Card:
        painter.fillPath(shape, fill);
        break;
    case Look::PaperCard:
        PaperCard{paperLineHeight(), kCornerRadius, false}.paint(painter, m_lookRect, Paper::palette(paperDark));
        break;
    }
    if (m_look == Look::Pill) {
        const QIcon icon = m_state.targetAppIcon();
        if (!icon.isNull())
            icon.paint(&painter, QRectF(m_headerRect.left(), m_headerRect.center().y() - kPillIconSide / 2.0,
                                        kPillIconSide, kPillIconSide)
                                     .toRect());
    } else {
        paintHeader(painter, light);
        paintText(painter, paper, light);
    }
    painter.restore();
    glass.paintOver(painter, m_lookRect);
}

void BubbleView::paintHeader(QPainter& painter, bool light) const {
    const qreal centreY = m_headerRect.center().y();
    const qreal limit = m_trailing ? m_trailing->x() - kHeaderSpacing : m_headerRect.right();
    painter.save();
    painter.setClipRect(
        QRectF(m_headerRect.left(), m_headerRect.top(), limit - m_headerRect.left(), m_headerRect.height()),
        Qt::IntersectClip);
    qreal x = m_headerRect.left();
    const QIcon icon = m_state.targetAppIcon();
    if (!icon.isNull()) {
        icon.paint(&painter, QRect(int(x), int(centreY - kIconSide / 2.0), kIconSide, kIconSide));
        x += kIconSide + kHeaderSpacing;
    }
    const QFont headerFont = BubbleStyle::font(kHeaderTextSize, QFont::DemiBold);
    if (!m_state.targetAppName().isEmpty()) {
        const QFontMetricsF metrics(headerFont);
        const qreal w = metrics.horizontalAdvance(m_state.targetAppName());
        painter.setFont(headerFont);
        painter.setPen(BubbleStyle::secondary(light));
        painter.drawText(QRectF(x, m_headerRect.top(), w + 1, m_headerRect.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         m_state.targetAppName());
        x += w + kHeaderSpacing;
    }
    const QColor letters = light ? BubbleStyle::withAlpha(Qt::black, kBadgeLettersOnLight)
                                 : BubbleStyle::withAlpha(Qt::white, kBadgeLettersOnDark);
    if (showModeBadge()) {
        x += paintBadge(painter, x, centreY, trimSpacesAndTabs(m_state.modeName()), m_state.modeIsPinned(),
                        BubbleStyle::withAlpha(BubbleStyle::orange(), kModeBadgeAlpha), letters)
             + kHeaderSpacing;
    }
    if (m_state.isTranslating()) {
        const QString text = QStringLiteral("\u2192 ") + Translator::displayName(Translator::typeTarget());
        x += paintBadge(painter, x, centreY, text, false,
                        BubbleStyle::withAlpha(BubbleStyle::accent(), kTranslationBadgeAlpha), letters)
             + kHeaderSpacing;
    }
    if (const std::optional<Status> status = statusLabel(m_state.bubbleMode(), m_state.cleanupState())) {
        painter.setFont(BubbleStyle::font(kHeaderTextSize));
        painter.setPen(toneColour(status->tone, light));
        painter.drawText(QRectF(x, m_headerRect.top(), limit - x, m_headerRect.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, status->text);
    }
    painter.restore();
}

void BubbleView::fadeFrom(const QStringList& previous) {
    m_textFade.stop();
    // Nothing to fade from, nobody watching, or a desktop that asks for stillness.
    if (previous.isEmpty() || !isVisible() || Motion::reduced()) {
        m_fadingLines.clear();
        m_textShown = 1;
        return;
    }
    m_fadingLines = previous;
    m_textShown = 0;
    m_textFade.start();
}

void BubbleView::paintText(QPainter& painter, bool paper, bool light) const {
    painter.setFont(textFont());
    if (!m_fadingLines.isEmpty()) {
        // The old lines from the new text's first line, so that the words both share stay put.
        painter.save();
        painter.setOpacity(painter.opacity() * (1 - m_textShown));
        paintLines(painter, m_fadingLines, paper, light);
        painter.restore();
    }
    painter.save();
    painter.setOpacity(painter.opacity() * m_textShown);
    paintLines(painter, m_lines, paper, light);
    painter.restore();
}

void BubbleView::paintLines(QPainter& painter, const QStringList& lines, bool paper, bool light) const {
    const QFontMetricsF metrics(textFont());
    const QColor ink = paper ? Paper::palette(!light).ink : BubbleStyle::primary(light);
    const QColor shadow = light ? BubbleStyle::withAlpha(Qt::white, kLightShadowAlpha)
                                : BubbleStyle::withAlpha(Qt::black, kDarkShadowAlpha);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qreal baseline = m_textRect.top() + i * m_linePitch + metrics.ascent();
        const QPointF at(m_textRect.left(), baseline);
        if (!paper) {
            painter.setPen(shadow);
            painter.drawText(at + QPointF(0, 1), lines[i]);
        }
        painter.setPen(ink);
        painter.drawText(at, lines[i]);
    }
}
