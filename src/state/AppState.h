#pragma once

#include "state/BubbleMode.h"
#include "state/MainWindowPane.h"

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

// The live state the menu, the bubble, the main window and the controllers
// share. Written on the GUI thread only; every published field has a change
// signal so the views that show it redraw.
class AppState : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording WRITE setIsRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(bool serverReady READ serverReady WRITE setServerReady NOTIFY serverReadyChanged)
    Q_PROPERTY(BubbleMode bubbleMode READ bubbleMode WRITE setBubbleMode NOTIFY bubbleModeChanged)
    Q_PROPERTY(QString liveText READ liveText WRITE setLiveText NOTIFY liveTextChanged)
    Q_PROPERTY(QString finalText READ finalText WRITE setFinalText NOTIFY finalTextChanged)
    Q_PROPERTY(QString flashMessage READ flashMessage WRITE setFlashMessage NOTIFY flashMessageChanged)
    Q_PROPERTY(float micLevel READ micLevel WRITE setMicLevel NOTIFY micLevelChanged)
    Q_PROPERTY(QString targetAppName READ targetAppName WRITE setTargetAppName NOTIFY targetAppNameChanged)
    Q_PROPERTY(QString modeName READ modeName WRITE setModeName NOTIFY modeNameChanged)
    Q_PROPERTY(bool modeIsPinned READ modeIsPinned WRITE setModeIsPinned NOTIFY modeIsPinnedChanged)
    Q_PROPERTY(QIcon targetAppIcon READ targetAppIcon WRITE setTargetAppIcon NOTIFY targetAppIconChanged)
    Q_PROPERTY(bool isTranslating READ isTranslating WRITE setIsTranslating NOTIFY isTranslatingChanged)
    Q_PROPERTY(bool cardAtTop READ cardAtTop WRITE setCardAtTop NOTIFY cardAtTopChanged)
    Q_PROPERTY(CleanupState cleanupState READ cleanupState WRITE setCleanupState NOTIFY cleanupStateChanged)

public:
    // Progress of re-cleaning the last insertion.
    enum class CleanupState { Idle, Cleaning, Done, Copied };
    Q_ENUM(CleanupState)

    // A did-you-mean offer for one word of the inserted text. `start` and
    // `length` count user-perceived characters.
    struct WordSwap {
        QUuid id;
        QString word;
        QStringList options;
        int start = 0;
        int length = 0;
        bool operator==(const WordSwap&) const = default;
    };

    // Shared: flash and announce helpers and other free functions publish to the one program state.
    static AppState& shared();
    // A separate state for tests; the program uses `shared()`.
    AppState() = default;

    bool isRecording() const { return m_isRecording; }
    bool serverReady() const { return m_serverReady; }
    BubbleMode bubbleMode() const { return m_bubbleMode; }
    QString liveText() const { return m_liveText; }
    QString finalText() const { return m_finalText; }
    // Empty when there is no message.
    QString flashMessage() const { return m_flashMessage; }
    float micLevel() const { return m_micLevel; }
    QString targetAppName() const { return m_targetAppName; }
    QString modeName() const { return m_modeName; }
    bool modeIsPinned() const { return m_modeIsPinned; }
    // A null icon when there is none.
    QIcon targetAppIcon() const { return m_targetAppIcon; }
    bool isTranslating() const { return m_isTranslating; }
    bool cardAtTop() const { return m_cardAtTop; }
    CleanupState cleanupState() const { return m_cleanupState; }
    QList<WordSwap> wordSwaps() const { return m_wordSwaps; }
    std::optional<MainWindowPane> requestedPane() const { return m_requestedPane; }

    void setIsRecording(bool value);
    void setServerReady(bool value);
    void setBubbleMode(BubbleMode value);
    void setLiveText(const QString& value);
    void setFinalText(const QString& value);
    void setFlashMessage(const QString& value);
    void setMicLevel(float value);
    void setTargetAppName(const QString& value);
    void setModeName(const QString& value);
    void setModeIsPinned(bool value);
    void setTargetAppIcon(const QIcon& value);
    void setIsTranslating(bool value);
    void setCardAtTop(bool value);
    void setCleanupState(CleanupState value);
    void setWordSwaps(const QList<WordSwap>& value);
    void setRequestedPane(std::optional<MainWindowPane> value);

    // Set by the bubble when Return is pressed while it thinks; the dictation
    // re-posts the key after inserting. Not published.
    bool returnPressedWhileThinking() const { return m_returnPressedWhileThinking; }
    void setReturnPressedWhileThinking(bool value) { m_returnPressedWhileThinking = value; }

signals:
    void isRecordingChanged();
    void serverReadyChanged();
    void bubbleModeChanged();
    void liveTextChanged();
    void finalTextChanged();
    void flashMessageChanged();
    void micLevelChanged();
    void targetAppNameChanged();
    void modeNameChanged();
    void modeIsPinnedChanged();
    void targetAppIconChanged();
    void isTranslatingChanged();
    void cardAtTopChanged();
    void cleanupStateChanged();
    void wordSwapsChanged();
    void requestedPaneChanged();

private:
    bool m_returnPressedWhileThinking = false;
    bool m_isRecording = false;
    bool m_serverReady = false;
    BubbleMode m_bubbleMode = BubbleMode::Hidden;
    QString m_liveText;
    QString m_finalText;
    QString m_flashMessage;
    float m_micLevel = 0;
    QString m_targetAppName;
    QString m_modeName;
    bool m_modeIsPinned = false;
    QIcon m_targetAppIcon;
    bool m_isTranslating = false;
    bool m_cardAtTop = false;
    CleanupState m_cleanupState = CleanupState::Idle;
    QList<WordSwap> m_wordSwaps;
    std::optional<MainWindowPane> m_requestedPane;
};
