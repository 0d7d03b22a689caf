#pragma once

#include <QWidget>

// The microphone meter: a row of thin bars, tallest in the middle. Active bars
// are orange and follow the level; inactive ones are short and grey.
class WaveformView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 56;
    static constexpr int kHeight = 26;
    static constexpr qreal kBarWidth = 3;
    static constexpr qreal kBarSpacing = 2.5;
    static constexpr int kDefaultBars = 9;

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
    bool active() const { return m_active; }
    int barCount() const { return m_barCount; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float m_level = 0;
    bool m_active = true;
    int m_barCount = kDefaultBars;
    bool m_light = false;
};
