#pragma once

#include <QWidget>

// The selection clean-up chip's content: one capsule button whose label shows
// the chip's state ("Clean up", "Cleaning" with a spinning arc, "Cleaned").
// It never takes the focus, so the other application keeps its selection.
// GUI thread.
class SelectionChipView : public QWidget {
    Q_OBJECT
public:
    enum class State { Idle, Cleaning, Done };

    inline static constexpr QSize kSize{132, 40};

    explicit SelectionChipView(QWidget* parent = nullptr);

    State state() const { return m_state; }
    void setState(State state);
    // The label text of the current state.
    QString text() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    State m_state = State::Idle;
    bool m_hovered = false;
    int m_spinAngle = 0;
    int m_spinTimer = 0;

    void timerEvent(QTimerEvent* event) override;
};
