#pragma once

#include "looks/Paper.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <optional>

class Defaults;
class QComboBox;
class QLabel;
class QProgressBar;
class QScrollArea;
class QSlider;
class QToolButton;
class ReaderWindowController;
class ReaderWordLabel;
class QVariantAnimation;

// The read-along window's content: the passage as a ruled page of separate
// words, the spoken word lit and every other sentence dimmed, the page
// following the voice; below it the transport row (back and forward 15 s,
// play/pause, scrubber, clock, speed, save). One label per word, made when
// the timeline changes and restyled only when the lit word or sentence does.
// Its look follows "readerShade" at once. GUI thread.
class ReaderWindowView : public QWidget {
public:
    static constexpr double kWordSize = 19;
    static constexpr double kClockSize = 11;
    static constexpr int kMeasure = 620;
    static constexpr int kPagePadding = 28;
    static constexpr int kPaperLeading = 46;
    static constexpr int kPaperTrailing = 14;
    static constexpr double kRuleHeight = 30;
    static constexpr double kCornerRadius = 12;
    static constexpr int kSpeedWidth = 74;
    static constexpr int kPlaySide = 26;
    static constexpr double kDimDark = 0.56;
    static constexpr double kDimLight = 0.64;
    static constexpr double kHighlightDark = 0.34;
    static constexpr double kHighlightLight = 0.24;
    static constexpr std::chrono::milliseconds kFollowDuration{250};
    static constexpr double kSkipSeconds = 15;
    static constexpr double kMinimumScrubRange = 0.1;
    static constexpr const char* kShadeKey = "readerShade";

    // `reader` and `defaults` outlive the view.
    ReaderWindowView(ReaderWindowController& reader, Defaults& defaults, QWidget* parent = nullptr);

    // "cream" is light, "slate" dark, anything else follows the appearance.
    static bool isDark(const QString& shade, bool appearanceIsDark);
    // "%d:%02d" of whole seconds; "0:00" for negative, infinite or undefined times.
    static QString clockText(double seconds);
    // The lit word's background colour.
    static QColor highlight(bool dark);

    bool dark() const { return m_dark; }
    // The word lit now, if any; the labels of the words, in order.
    std::optional<int> litWord() const { return m_lit; }
    const QList<ReaderWordLabel*>& wordLabels() const { return m_words; }
    // The page's scroll area (for following the voice).
    QScrollArea* scrollArea() const { return m_scroll; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restyle();
    void rebuildWords();
    void showState();
    void showPosition();
    void styleWord(int index);
    void follow(int index);

    ReaderWindowController& m_reader;
    Defaults& m_defaults;
    bool m_dark = false;
    Paper::Palette m_palette;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_page = nullptr;
    QWidget* m_preparingRow = nullptr;
    QLabel* m_preparingLabel = nullptr;
    QLabel* m_statusLabel = nullptr;
    QWidget* m_flow = nullptr;
    QList<ReaderWordLabel*> m_words;
    QList<int> m_sentenceStarts; // index of each sentence's first word
    std::optional<int> m_lit;
    std::optional<int> m_litSentence;
    QToolButton* m_back = nullptr;
    QToolButton* m_play = nullptr;
    QToolButton* m_forward = nullptr;
    QSlider* m_scrubber = nullptr;
    QLabel* m_clock = nullptr;
    QComboBox* m_speed = nullptr;
    QToolButton* m_save = nullptr;
    QProgressBar* m_saving = nullptr;
    QPointer<QVariantAnimation> m_followAnimation;
};
