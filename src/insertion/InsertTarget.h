#pragma once

#include "insertion/NoteTarget.h"
#include "platform/DesktopApps.h"
#include "platform/Workspace.h"

#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class Defaults;
class NotesApp;

// Where the Dashboard sends a phone note: into Notes (the notes stand-in) when
// that is pinned, else into the pinned application, started and waited for,
// else into the application that was last in front before ours, else wherever
// the focus is. Pasting waits until the target really is in front and checks
// again at the moment of the paste. GUI thread only.
class InsertTarget : public NoteTarget {
    Q_OBJECT
public:
    static inline const QString kPinnedKey = QStringLiteral("insertTargetBundleID");
    // How long a started application may take to come to the front, and an activated one.
    static constexpr std::chrono::milliseconds kLaunchDeadline{4000};
    static constexpr std::chrono::milliseconds kActivateDeadline{2000};
    static constexpr std::chrono::milliseconds kPollInterval{100};
    // From the target's arrival in front to the paste.
    static constexpr std::chrono::milliseconds kSettleDelay{300};
    // How often the frontmost application is looked at to remember the last other one.
    static constexpr std::chrono::milliseconds kActivationPoll{250};

    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // Runs `work` after `delay` on the GUI thread.
    using Scheduler = std::function<void(std::chrono::milliseconds delay, std::function<void()> work)>;
    // Lets the user pick one of `apps`; the answer is its identifier, none when cancelled.
    using Chooser =
        std::function<void(const QList<DesktopApps::App>& apps, std::function<void(std::optional<QString>)>)>;

    struct Services {
        Defaults* defaults = nullptr;
        Workspace* workspace = nullptr;
        DesktopApps* apps = nullptr;
        NotesApp* notes = nullptr;
        std::function<void(const QString&)> paste;
        Clock clock;
        Scheduler after;
        Chooser chooser;
        // The process whose activations are ours and do not count.
        qint64 ownPid = 0;

        // The installed platform's, pasting with the paste service and asking
        // in a dialog; `defaults` holds the pinned target.
        static Services standard(Defaults& defaults);
    };

    explicit InsertTarget(Services services, QObject* parent = nullptr);

    std::optional<QString> pinnedIdentifier() const override { return m_pinned; }
    std::optional<QString> lastError() const override { return m_lastError; }
    std::optional<QString> name() const override;
    void insert(const QString& text, const QString& title, std::function<void(bool)> done) override;
    void chooseApp() override;
    void chooseNotesFolder() override;

    // Pins an application (or Notes) and stores it.
    void setPinnedIdentifier(const QString& identifier);
    // The last application other than ours that was in front.
    std::optional<Workspace::Application> app() const { return m_app; }
    // Looks at the frontmost application now; the activation poll calls this.
    void noticeFrontmost();

private:
    void insertIntoNotes(const QString& text, const QString& title, std::function<void(bool)> done);
    void pasteOnceFrontmost(const QString& identifier, const QString& text, std::function<void(bool)> done,
                            std::chrono::steady_clock::time_point deadline);
    bool isFrontmost(const QString& identifier) const;
    void setLastError(std::optional<QString> error);

    Services m_services;
    std::optional<QString> m_pinned;
    std::optional<QString> m_lastError;
    std::optional<Workspace::Application> m_app;
    QTimer m_activationPoll;
};
