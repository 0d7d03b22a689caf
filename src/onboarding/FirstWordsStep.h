#pragma once

#include <QFuture>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class EngineBootstrap;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedLayout;
class OnbSymbol;

// The last onboarding page: a practice field that takes the focus so that a
// first dictation lands in it, a title that confirms it worked, and a button
// that lets the user hear the reading voice. While the engine is not ready a
// waiting note stands in for the field. A new page starts empty.
class FirstWordsStep : public QWidget {
    Q_OBJECT
public:
    using Speak = std::function<QFuture<void>(const QString& text, double speed, float volume)>;
    struct Lines {
        std::function<QString()> greeting;
        std::function<std::optional<QString>()> whisper;
    };

    FirstWordsStep(EngineBootstrap& bootstrap, Speak speak, Lines lines, QWidget* parent = nullptr);

    // Something other than white space was typed or dictated into the field.
    bool didDictate() const;
    QString title() const;
    QString buttonTitle() const;
    QPlainTextEdit* field() const { return m_field; }
    QPushButton* voiceButton() const { return m_voice; }
    QProgressBar* waitingBar() const { return m_bar; }
    bool showsPracticeField() const;

    // What the voice button does.
    void hearVoice();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void followStage();

    EngineBootstrap& m_bootstrap;
    Speak m_speak;
    Lines m_lines;
    bool m_heardVoice = false;
    OnbSymbol* m_symbol = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_explanation = nullptr;
    QPlainTextEdit* m_field = nullptr;
    QWidget* m_practice = nullptr;
    QWidget* m_waiting = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_voice = nullptr;
};
