#pragma once

#include <QColor>
#include <QWidget>

#include <optional>

// One stage of a voice-tuning run on the Your voice page: an icon, the
// stage's title, at the trailing edge its count ("3 of 4"), and while the
// stage runs a bar under the line. Painted as one widget, so accessibility
// reads it as one element. GUI thread only.
class StepRow : public QWidget {
    Q_OBJECT
public:
    // The tuning page's accent, a warm orange.
    static inline const QColor kEmber = QColor::fromRgbF(0.831f, 0.4f, 0.122f);
    static constexpr int kIconSide = 14;
    static constexpr int kLineSpacing = 8;
    static constexpr int kBarSpacing = 4;
    static constexpr int kBarIndent = 22;
    static constexpr int kBarHeight = 4;
    static constexpr int kCountSize = 12;

    struct State {
        enum class Kind { Running, Finished, Waiting };
        Kind kind = Kind::Waiting;
        int done = 0;
        // Running: the steps planned, 0 while unknown. Finished: the count, 0 for none.
        int total = 0;

        static State running(int done, int total) { return {Kind::Running, done, total}; }
        static State finished(std::optional<int> count = std::nullopt) {
            return {Kind::Finished, count.value_or(0), count.value_or(0)};
        }
        static State waiting() { return {}; }
        bool operator==(const State&) const = default;
    };

    explicit StepRow(const QString& title, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    State state() const { return m_state; }
    void setState(const State& state);

    // "done of total" for a running or finished row with a total; empty otherwise.
    static QString count(const State& state);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int lineHeight() const;
    void paintIcon(class QPainter& painter, const QRectF& frame) const;

    QString m_title;
    State m_state;
};
