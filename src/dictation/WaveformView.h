#pragma once

#include <QVariantAnimation>
#include <QWidget>

#include <chrono>

// The microphone meter: a row of thin bars, tallest in the middle. Active bars
// are orange and follow the level, easing to each new level over 0.1 s unless
// the desktop asks for less motion; inactive ones are short and grey.
class WaveformView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 56;
    static constexpr int kHeight = 26;
    static constexpr qreal kBarWidth = 3;
    static constexpr qreal kBarSpacing = 2.5;
    static constexpr int kDefaultBars = 9;
    static constexpr std::chrono::milliseconds kLevelEase{100};

    explicit WaveformView(QWidget* parent = nullptr);

    // The height of bar `index` of `barCount` at `level` (0 to 1) while active.
    static qreal barHeight(float level, int index, int barCount);
    static constexpr qreal kInactiveHeight = 5;

    void setLevel(float level);
    void setActive(bool active);
    void setBarCount(int count);
    // Whether it sits on a light card (inactive bars darker).
    void setLight(bool light);

    float level() const { return m_level; }
    // The level the bars show now: `level()` once the ease has run.
    float shownLevel() const { return m_shown; }
    bool active() const { return m_active; }
    int barCount() const { return m_barCount; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float m_level = 0;
    float m_shown = 0;
    QVariantAnimation m_ease;
    bool m_active = true;
    int m_barCount = kDefaultBars;
    bool m_light = false;
};
