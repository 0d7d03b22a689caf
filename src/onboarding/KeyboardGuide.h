#pragma once

#include <QWidget>

class Defaults;
class Keyboard;
class QLabel;
class QPushButton;

// Explains the double-tap keys of one topic, speaking or reading: a keyboard
// with the key lit, a switch between the translating and the plain key (a new
// guide starts on "Translation"), the key in words and an example of what
// goes in and what comes out. Reads the four key settings live and never
// writes them. GUI thread.
class KeyboardGuide : public QWidget {
    Q_OBJECT
public:
    enum class Topic { Speaking, Reading };

    static inline const QString kEnglish = QStringLiteral(
        "Take one tablet with food each morning. If you miss a dose, take it as soon as you remember, unless it is "
        "almost time for the next one.");
    static inline const QString kSpanish = QStringLiteral("Tome una pastilla con comida cada ma\u00f1ana. Si olvida "
                                                          "una dosis, t\u00f3mela en cuanto se acuerde, salvo que "
                                                          "falte poco para la siguiente.");

    // `translationTarget` and `readTarget` name the languages of the captions.
    KeyboardGuide(Topic topic, bool showsHeading, Defaults& defaults, QWidget* parent = nullptr);

    // A stored key value in words: both controls are "Control", the others
    // carry their side; anything else stays as it is.
    static QString name(const QString& key);
    // The key the guide is about now.
    QString activeKey() const;
    QString caption() const;
    // The divider's text: the key's name in capitals and " ×2".
    QString dividerText() const;
    QString outputText() const;
    bool translating() const { return m_translating; }
    void setTranslating(bool translating);
    Keyboard* keyboard() const { return m_keyboard; }
    QPushButton* translationSegment() const { return m_translationSegment; }
    QPushButton* plainSegment() const { return m_plainSegment; }

private:
    void refresh();

    Topic m_topic;
    Defaults& m_defaults;
    bool m_translating = true;
    Keyboard* m_keyboard = nullptr;
    QPushButton* m_translationSegment = nullptr;
    QPushButton* m_plainSegment = nullptr;
    QLabel* m_divider = nullptr;
    QLabel* m_output = nullptr;
    QLabel* m_caption = nullptr;
};
