#pragma once

#include <QWidget>

class QLabel;

// A greeting as the Dashboard shows it: its words in the given font and its
// symbol beside them in the colour emoji font. The text fonts draw the sun
// too, in black and white, and would win it from the emoji font in one label.
// The words are plain text (they hold a name someone typed). GUI thread only.
class GreetingLine : public QWidget {
    Q_OBJECT
public:
    explicit GreetingLine(const QFont& font, QWidget* parent = nullptr);

    void setGreeting(const QString& words, const QString& symbol);
    // The whole greeting: the words, a space and the symbol.
    QString text() const;
    QLabel* words() const { return m_words; }
    QLabel* symbol() const { return m_symbol; }

private:
    QLabel* m_words;
    QLabel* m_symbol;
};
