#pragma once

#include "state/AppState.h"

#include <QList>
#include <QWidget>

#include <functional>

class SwapOptionButton;

// The did-you-mean row of the result card: for each of the first two offers,
// the heard word (underlined in orange), an arrow and up to three numbered
// option buttons. A click hands that offer and that word to `take`; the row
// itself changes nothing.
class WordSwapRow : public QWidget {
    Q_OBJECT
public:
    using Take = std::function<void(const AppState::WordSwap& swap, const QString& option)>;

    static constexpr int kMaxSwaps = 2;
    static constexpr int kMaxOptions = 3;
    static constexpr int kLineSpacing = 5;

    explicit WordSwapRow(Take take, QWidget* parent = nullptr);

    // Shows `swaps` on a light (dark letters) or dark card.
    void setSwaps(const QList<AppState::WordSwap>& swaps, bool light);

    QList<AppState::WordSwap> shownSwaps() const { return m_shown; }
    // The option buttons, line by line.
    QList<SwapOptionButton*> buttons() const { return m_buttons; }
    // The colour of the heard word.
    static QColor heardWordColour(bool light);
    // The height the row needs.
    int rowHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Line {
        QRectF word;
        QRectF arrow;
        QList<SwapOptionButton*> buttons;
    };
    void arrange();
    int lineHeight() const;

    Take m_take;
    QList<AppState::WordSwap> m_shown;
    QList<SwapOptionButton*> m_buttons;
    QList<Line> m_lines;
    bool m_light = false;
};
