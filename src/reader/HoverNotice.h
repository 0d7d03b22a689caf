#pragma once

#include <QWidget>

class HoverNoticeModel;

// The small notice above the paragraph under the pointer: a dark capsule with
// a dot in the hover colour and "Click to read", or "Reading. Click to stop."
// while it is read, centred in its panel. GUI thread only.
class HoverNotice : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFontPixels = 12;
    static constexpr int kDotSize = 6;
    static constexpr int kSpacing = 7;
    static constexpr int kPaddingX = 11;
    static constexpr int kPaddingY = 6;
    static constexpr qreal kShadowOpacity = 0.35;
    static constexpr int kShadowRadius = 6;
    static constexpr int kShadowOffsetY = 2;
    static constexpr qreal kReadingDotOpacity = 0.55;
    static QColor fill() { return QColor::fromRgbF(0.133f, 0.137f, 0.122f); }
    static QString offerText() { return QStringLiteral("Click to read"); }
    static QString readingText() { return QStringLiteral("Reading. Click to stop."); }

    // `model` must outlive the view.
    explicit HoverNotice(HoverNoticeModel& model, QWidget* parent = nullptr);

    QString text() const;
    // The capsule's rectangle in the view.
    QRect capsule() const;
    // The capsule's rectangle in a view of `size`, for the text shown now.
    QRect capsule(const QSize& size) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont textFont() const;

    HoverNoticeModel& m_model;
};
