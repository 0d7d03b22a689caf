#pragma once

#include <QTimer>
#include <QWidget>

// A small indeterminate progress spinner: spokes that turn while it is shown.
class ProgressSpinner : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSide = 16;

    explicit ProgressSpinner(QWidget* parent = nullptr);
    void setLight(bool light);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer m_turn;
    int m_step = 0;
    bool m_light = false;
};
