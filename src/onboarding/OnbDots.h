#pragma once

#include <QWidget>

// The page dots of the onboarding footer: one 7-point dot per page, the
// current one in the accent colour, read out as "Step i of n".
class OnbDots : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDot = 7;
    static constexpr int kSpacing = 6;

    OnbDots(int total, int index, QWidget* parent = nullptr);
    // "Step <index + 1> of <total>", also for an index out of range.
    static QString label(int total, int index);
    void set(int total, int index);
    int total() const { return m_total; }
    int index() const { return m_index; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_total;
    int m_index;
};
