#pragma once

#include <QAbstractButton>

// One numbered option of the word-swap row: "1 word" on a rounded chip.
class SwapOptionButton : public QAbstractButton {
    Q_OBJECT
public:
    SwapOptionButton(int number, const QString& word, bool light, QWidget* parent = nullptr);

    int number() const { return m_number; }
    QString word() const { return m_word; }
    // The chip's fill: black at 6 % on a light card, white at 10 % on a dark one.
    static QColor chipFill(bool light);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_number;
    QString m_word;
    bool m_light;
};
