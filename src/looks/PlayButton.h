#pragma once

#include <QToolButton>

#include <functional>

// A small borderless button that speaks `text` through the reader when
// pressed (trimmed; nothing when only blanks are left). It keeps no state:
// pressing it again speaks again. GUI thread only.
class PlayButton : public QToolButton {
    Q_OBJECT
public:
    static constexpr int kSymbolSize = 17;
    // The accent of the pronunciation and dictionary pages.
    static QColor ember();

    using Speak = std::function<void(const QString& text)>;

    PlayButton(Speak speak, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }

private:
    void play();

    Speak m_speak;
    QString m_text;
};
