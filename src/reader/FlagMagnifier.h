#pragma once

#include <QWidget>

#include <functional>

class FlagMagnifierHover;

// The larger panel of Spanish flags the voice picker opens: a header, every
// flag of the table with its country's name in a grid of the caller's column
// count, and a closing note. Leaving it dismisses it through the hover flag.
// GUI thread.
class FlagMagnifier : public QWidget {
public:
    static constexpr int kWidth = 434;
    static constexpr int kPadding = 16;
    static constexpr int kSpacing = 12;
    static constexpr int kHeaderSpacing = 2;
    static constexpr int kGridSpacing = 9;
    static constexpr int kCellWidth = 74;
    static constexpr int kCellSpacing = 2;
    static constexpr double kTitleSize = 14;
    static constexpr double kSubtitleSize = 11;
    static constexpr double kFlagSize = 25;
    static constexpr double kNameSize = 8.5;
    static constexpr double kNameMinimumScale = 0.75;
    static constexpr double kNoteSize = 10.5;

    // `dismiss` closes the magnifier; `columns` is the grid's column count;
    // `hover` must outlive it.
    FlagMagnifier(std::function<void()> dismiss, int columns, FlagMagnifierHover& hover, QWidget* parent = nullptr);

    // "Spoken in 21 countries".
    static QString spokenInText();
    static QString noteText();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::function<void()> m_dismiss;
    FlagMagnifierHover& m_hover;
};
