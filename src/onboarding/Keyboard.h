#pragma once

#include <QColor>
#include <QMap>
#include <QStringList>
#include <QVariantAnimation>
#include <QWidget>

#include <chrono>

// A schematic laptop keyboard: letter rows and a bottom row of modifier keys,
// the space bar and the arrows, on a rounded plate. One modifier key can be
// lit in a colour and lifted as "pressed"; identifiers no drawn key carries
// ("rightControl", any other text) light nothing. The caps are printed in
// this desktop's wording. A change of the pressed key moves the look of the
// keys it concerns over 0.2 s, unless the desktop asks for less motion.
// Exactly 146 high, at most 520 wide; the keys follow the width it is given.
class Keyboard : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 146;
    static constexpr int kMaxWidth = 520;
    static constexpr qreal kKeyHeight = 26;
    static constexpr qreal kBottomUnits = 14.85;
    static constexpr std::chrono::milliseconds kPressMove{200};

    // A key of the bottom row; `id` is the stored double-tap key value, if any.
    struct BottomKey {
        QString id;
        QString symbol;
        QString label;
        qreal units;
    };
    static const QList<BottomKey>& bottomRow();
    // What a modifier key's cap shows: its symbol and label in this desktop's
    // wording (Super and Alt here); an empty symbol leaves the label alone on
    // the cap. The key keeps its stored identifier.
    static QString capSymbol(const BottomKey& key);
    static QString capLabel(const BottomKey& key);

    Keyboard(QStringList rows, qreal gap, qreal pad, QWidget* parent = nullptr);

    void setLit(const QMap<QString, QColor>& lit);
    void setPressed(const QString& pressed);
    // How far the keys have moved to the latest pressed key: 0 just after
    // the change, 1 once they stand still.
    qreal pressProgress() const { return m_progress; }

    // The width of a key of letter row `index` holding `count` keys.
    static qreal letterKeyWidth(qreal inner, int index, int count, qreal gap);
    // The width of one unit of the bottom row.
    static qreal bottomUnit(qreal inner, qreal gap);
    // The rectangles of the bottom-row keys for a keyboard `width` wide.
    QList<QRectF> bottomKeyRects(qreal width) const;

    QSize sizeHint() const override { return QSize(kMaxWidth, kHeight); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What one bottom-row key looks like for a lit set and a pressed key.
    struct KeyLook {
        QColor text;
        QColor fill;
        QColor outline;
        qreal outlineWidth = 1;
        qreal lift = 0;
        qreal glow = 0;
        bool bold = false;
    };
    KeyLook lookOf(const BottomKey& key, const QMap<QString, QColor>& lit, const QString& pressed) const;
    static KeyLook between(const KeyLook& from, const KeyLook& to, qreal progress);

    QStringList m_rows;
    qreal m_gap;
    qreal m_pad;
    QMap<QString, QColor> m_lit;
    QString m_pressed;
    // The look the keys move from while the pressed key changes.
    QMap<QString, QColor> m_litBefore;
    QString m_pressedBefore;
    qreal m_progress = 1;
    QVariantAnimation m_move;
};
