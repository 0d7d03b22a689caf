#pragma once

#include <QWidget>

class QVBoxLayout;
class TranslateBar;

// The translate bar's content: a header row "source → target" that opens and
// closes the language list, and while open the list of languages to hear the
// passage in again, the keep-as-default row and the add-a-language row, over
// the glass backdrop. Rebuilt whenever the bar's content changes; takes its
// own fitting size. GUI thread only.
class TranslateBarView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kCornerRadius = 13;
    static constexpr int kListMinimumWidth = 168;

    explicit TranslateBarView(TranslateBar& bar, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    // Rebuilds the rows from the bar.
    void rebuild();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TranslateBar& m_bar;
    QWidget* m_backdrop = nullptr;
    QWidget* m_content = nullptr;
    QWidget* m_rim = nullptr;
};
