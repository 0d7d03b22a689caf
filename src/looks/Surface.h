#pragma once

#include <QWidget>

class Defaults;

// A frame for a page's content: a ruled paper card when `paper` is on
// (line height 26, radius 14, the stored "paperShade" or, with
// `followsWindow`, the window's own scheme), else only 14 points of padding.
// The content's palette is set light or dark to match the card. GUI thread only.
class Surface : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kLineHeight = 26;
    static constexpr qreal kRadius = 14;
    static constexpr int kPlainPadding = 14;

    // `defaults` must outlive the surface; the content becomes its child.
    Surface(QWidget* content, bool paper, bool followsWindow, Defaults& defaults, QWidget* parent = nullptr);

    bool paper() const { return m_paper; }
    bool followsWindow() const { return m_followsWindow; }
    // Whether the card is drawn dark now.
    bool isDark() const;
    QWidget* content() const { return m_content; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void restyle();
    bool surroundingIsDark() const;

    QWidget* m_content;
    bool m_paper;
    bool m_followsWindow;
    Defaults& m_defaults;
    bool m_restyling = false;
};
