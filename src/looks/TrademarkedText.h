#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

// A text followed by a small raised trade-mark sign: the sign is set at 0.46
// of the text's size in the same weight and raised by 0.34 of the size.
class TrademarkedText : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kSignScale = 0.46;
    static constexpr qreal kRaiseScale = 0.34;
    static inline const QString kSign = QString(QChar(0x2122));

    // The sign's font for a text of `size` points in `weight`.
    static QFont signFont(qreal size, QFont::Weight weight);
    // How far the sign sits above the text's baseline, in points.
    static qreal raise(qreal size) { return size * kRaiseScale; }
    // Rich text of `text` (escaped) with the sign, for labels that wrap; the
    // sign is set as a superscript of the same size.
    static QString html(const QString& text, qreal size, QFont::Weight weight);

    // `font` is the text's font (its pixel size is the size); `signWeight` the sign's weight.
    TrademarkedText(const QString& text, const QFont& font, QFont::Weight signWeight, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QFont m_sign;
};
