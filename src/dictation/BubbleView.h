#pragma once

#include "state/AppState.h"
#include "state/BubbleMode.h"
#include "support/DictationSettings.h"

#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QRegion>
#include <QStringList>
#include <QVariantAnimation>
#include <QWidget>

#include <chrono>

#include <functional>
#include <optional>

class BroomButton;
class Defaults;
class ProgressSpinner;
class WaveformView;
class WordSwapRow;

// The content of the floating bubble: renders the shared state in one of
// three looks chosen by the settings: a small pill while listening or
// thinking ("previewStyle" "pill"), a card with light or dark letters
// ("cardStyle"), or a ruled-paper card ("paperTheme"). The look hugs the
// panel's bottom edge, or its top edge when the card sits at the top; the
// rest of the view stays clear. Opaque, it lays a solid ground under the look
// for desktops that cannot blend a translucent window with what lies beneath.
// Reads state only; its two actions are the clean-up button and the
// word-swap buttons. A changed text fades in over 0.15 s. GUI thread only.
class BubbleView : public QWidget {
    Q_OBJECT
public:
    enum class Look { Pill, Card, PaperCard };
    enum class Tone { Secondary, Green, Orange };

    // The status word of the header.
    struct Status {
        QString text;
        Tone tone = Tone::Secondary;
        bool operator==(const Status&) const = default;
    };

    // The four stored settings the view follows.
    struct Settings {
        QString previewStyle = QStringLiteral("card");
        bool paperTheme = DictationSettings::fallback(DictationSettings::kPaperTheme).toBool();
        QString paperShade = DictationSettings::fallback(DictationSettings::kPaperShade).toString();
        QString cardStyle = QStringLiteral("dark");

        static Settings read(const Defaults& defaults);
        // Dark letters on a light card: only "light" exactly.
        bool light() const { return cardStyle == QLatin1String("light"); }
    };

    struct Actions {
        // The clean-up button (re-cleans the last insertion).
        std::function<void()> cleanUp;
        // A word-swap button: that offer, that option word.
        std::function<void(const AppState::WordSwap& swap, const QString& option)> takeSwap;
    };

    static constexpr int kWidth = 620;
    static constexpr int kHeight = 320;
    static constexpr qreal kCornerRadius = 24;
    static constexpr int kMaxLines = 7;
    static constexpr int kPaperColumnWidth = 560;
    // A new text fades in over the old one, unless the desktop asks for less motion.
    static constexpr std::chrono::milliseconds kTextFade{150};

    // `state` and `defaults` must outlive the view.
    BubbleView(AppState& state, Defaults& defaults, Actions actions, QWidget* parent = nullptr);
    ~BubbleView() override;

    static Look look(const Settings& settings, BubbleMode mode);
    // The card's text for the state's mode.
    static QString displayText(const AppState& state);
    static bool shouldShowModeBadge(const QString& mode, const QString& app, bool pinned);
    // None when the header shows no status word.
    static std::optional<Status> statusLabel(BubbleMode mode, AppState::CleanupState cleanup);
    // `text` wrapped at `width`; when that gives more than `maxLines` lines,
    // the last ones, the first of them starting with an ellipsis.
    static QStringList shownLines(const QString& text, const QFont& font, qreal width, int maxLines);
    // The text font of the cards, and the rule spacing of the paper card.
    static QFont textFont();
    static qreal paperLineHeight();

    Settings settings() const { return m_settings; }
    Look currentLook() const { return m_look; }
    // Where the current look lies inside the view.
    QRectF lookRect() const { return m_lookRect; }
    // The pixels the current look covers: its rounded outline.
    QRegion lookShape() const;
    // Whether the look is drawn on a solid ground (off: translucent, as it is
    // meant to be over a compositing desktop).
    void setOpaque(bool opaque);
    bool isOpaque() const { return m_opaque; }
    QRectF textRect() const { return m_textRect; }
    QStringList lines() const { return m_lines; }
    // While a new text fades in: the old lines, and how far the new ones are
    // shown (0 to 1); no lines and 1 once it has.
    QStringList fadingLines() const { return m_fadingLines; }
    qreal textShown() const { return m_textShown; }
    bool showModeBadge() const;
    // The paper card's dark test (the stored shade, the program's look around it).
    bool paperIsDark() const;

    BroomButton* broom() const { return m_broom; }
    WaveformView* waveform() const { return m_waveform; }
    ProgressSpinner* spinner() const { return m_spinner; }
    WordSwapRow* swapRow() const { return m_swapRow; }

signals:
    // The look moved or changed its size or outline.
    void lookChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();
    void arrangePill(BubbleMode mode);
    void arrangeCard(BubbleMode mode, bool paper);
    void paintHeader(QPainter& painter, bool light) const;
    void paintText(QPainter& painter, bool paper, bool light) const;
    QPainterPath lookPath() const;
    void paintLines(QPainter& painter, const QStringList& lines, bool paper, bool light) const;
    void fadeFrom(const QStringList& previous);

    AppState& m_state;
    Defaults& m_defaults;
    Settings m_settings;
    BroomButton* m_broom;
    WaveformView* m_waveform;
    ProgressSpinner* m_spinner;
    WordSwapRow* m_swapRow;

    Look m_look = Look::Card;
    QRectF m_lookRect;
    bool m_opaque = false;
    QRectF m_headerRect;
    QRectF m_textRect;
    QStringList m_lines;
    QStringList m_fadingLines;
    qreal m_textShown = 1;
    QVariantAnimation m_textFade;
    qreal m_linePitch = 0;
    QWidget* m_trailing = nullptr;
};
