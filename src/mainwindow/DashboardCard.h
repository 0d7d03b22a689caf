#pragma once

#include <QFont>
#include <QWidget>

class Defaults;
class QLabel;
class QVBoxLayout;

// One row of the Dashboard's lists: a rounded card (14-point corners) filled
// and outlined in orange when `tinted`, in a faint neutral otherwise, holding
// its content on the page's card look (ruled paper with "paperTheme", then
// without fill or outline). GUI thread only.
class DashboardCard : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kCornerRadius = 14;
    static constexpr int kRowSpacing = 7;

    // Text sizes of the Dashboard, in points.
    static constexpr int kCaption = 11;
    static constexpr int kCaption2 = 11;
    static constexpr int kCallout = 13;
    static constexpr int kSubheadline = 12;

    static QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);
    // A label that shows `text` as it stands, never as markup.
    static QLabel* plainLabel(const QString& text, const QFont& font, QWidget* parent);
    // `color` at `opacity`.
    static QColor faded(QColor color, qreal opacity);

    // `defaults` must outlive the card.
    DashboardCard(bool tinted, bool paper, Defaults& defaults, QWidget* parent = nullptr);

    bool paper() const { return m_paper; }
    // The column the row puts its lines into.
    QVBoxLayout* column() const { return m_column; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_tinted;
    bool m_paper;
    QVBoxLayout* m_column;
};
