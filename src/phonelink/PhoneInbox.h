#pragma once

#include "cleanup/DictationMode.h"
#include "looks/Alert.h"
#include "phonelink/NoteEntries.h"
#include "phonelink/PhoneNote.h"
#include "phonelink/PhoneNotesInbox.h"
#include "support/StoreFile.h"

#include <QFuture>
#include <QList>
#include <QUuid>

#include <chrono>
#include <functional>
#include <optional>

class CleanupEngine;
class Defaults;
class ModeStore;

// The notes that came from the companion phone app, newest batch first, kept in
// the inbox file. A batch from a phone the user has not trusted waits for one
// question; accepted notes are then rewritten in the phone-note dictation mode,
// the phone's own text kept beside the rewrite. GUI thread only.
//
// Every phone batch is answered exactly once, through its own reply: at once
// when it needs no question, when the user answers, or with `Dropped` when a
// newer unknown batch takes its place or the question goes away unanswered
// (its notes were not stored, so the phone still holds them).
class PhoneInbox : public PhoneNotesInbox {
    Q_OBJECT
public:
    // The trust list: device ids of the user's phones.
    static inline const QString kKnownPhonesKey = QStringLiteral("knownPhones");
    // The id of the mode that polishes phone notes; "notes" when absent.
    static inline const QString kPhoneNoteModeKey = QStringLiteral("phoneNoteMode");
    static inline const QString kFileName = QStringLiteral("phone-inbox.json");
    static inline const QString kPathVariable = QStringLiteral("QV_PHONE_INBOX");
    // Device names longer than this are cut before they are shown.
    static constexpr qsizetype kDeviceNameLimit = 64;
    // The window is brought forward at most once in this time, however many batches come.
    static constexpr std::chrono::seconds kRaiseQuiet{10};

    // Where a batch came from. A document the user opened keeps the old rule: its
    // first new note decides, and a note without a device id is taken at once.
    enum class Source { Phone, Document };

    struct Resolution {
        enum class Kind { Accepted, Discarded, Dropped };
        Kind kind = Kind::Accepted;
        // The notes stored; 0 unless accepted.
        int imported = 0;
    };
    using Reply = std::function<void(Resolution)>;

    // A batch waiting for the user's answer. `deviceID` is set only when every
    // new note of the batch names that same phone; only then can it be remembered.
    struct PendingImport {
        QUuid id;
        QString device;
        std::optional<QString> deviceID;
        QList<PhoneNote> notes;
    };

    // Rewrites a note's text in a mode; an empty text means no rewrite.
    using Cleaner = std::function<QFuture<QString>(const QString& text, const DictationMode& mode)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    struct Services {
        Defaults* defaults = nullptr;
        ModeStore* modes = nullptr;
        // Asks the user; answers 0, 1, 2 for the buttons, -1 for none.
        AlertPresenter alerts;
        // By default the clean-up engine's, in the note's mode.
        Cleaner clean;
        Clock clock;
        // Opens the main window at the Dashboard.
        std::function<void()> showDashboard;

        // The running program's: `defaults` and `modes` (both must outlive
        // the inbox), message boxes, the cleanup engine, the main window.
        static Services standard(Defaults& defaults, ModeStore& modes);
    };

    // The inbox file: "QV_PHONE_INBOX" when set and not empty, else
    // "phone-inbox.json" in the engine folder.
    static QString standardFilePath();

    // An inbox over `filePath`, loaded at once. A file that does not decode leaves
    // the inbox empty and is moved aside before the first save. `cleanup` must
    // outlive the inbox.
    PhoneInbox(const QString& filePath, CleanupEngine& cleanup, Services services, QObject* parent = nullptr);
    ~PhoneInbox() override;

    QList<PhoneNote> notes() const override { return m_notes; }
    int justArrived() const override { return m_justArrived; }
    void setJustArrived(int count) override;
    void remove(const PhoneNote& note) override;
    void clear() override;

    // Takes a batch: returns the number of notes stored at once (0 when it did
    // not decode, held nothing new, or waits for the user). `reply` is called
    // once, perhaps before this returns.
    int importNotes(const QByteArray& data, Source source, Reply reply = {});
    // The same for a batch already decoded (PhoneNoteCodec::decode), none
    // when it did not decode.
    int importBatch(const std::optional<QList<PhoneNote>>& batch, Source source, Reply reply = {});

    // The user's answer about the pending batch `id`; an answer about a batch that
    // is no longer pending does nothing.
    void acceptPending(const QUuid& id, bool remember);
    void rejectPending(const QUuid& id);
    // Lets the pending batch `id` go unanswered: nothing stored, no receipt.
    void dropPending(const QUuid& id);

    // The mode that polishes phone notes now.
    DictationMode phoneMode() const;
    QString filePath() const { return m_file.path(); }
    // A device name fit for a question: controls and direction marks removed, trimmed, capped.
    static QString displayDevice(const QString& name);

signals:
    void pendingChanged();

private:
    void load();
    void save();
    void accept(const QList<PhoneNote>& notes);
    void askAbout(const QUuid& id);
    void answer(const QUuid& id, int button);
    void resolvePending(Resolution resolution);
    void raiseDashboard();
    void polish(QList<QUuid> ids, qsizetype index, DictationMode mode);
    bool isKnown(const QString& deviceID) const;
    std::chrono::steady_clock::time_point now() const;

    StoreFile m_file;
    Services m_services;
    QList<PhoneNote> m_notes;
    NoteEntries m_entries;
    int m_justArrived = 0;
    std::optional<PendingImport> m_pending;
    Reply m_pendingReply;
    // The batch the open question is about, none while no question is open.
    // A question about a replaced batch stays open; its answer counts for nothing,
    // and the batch that replaced it is asked about once it closes.
    std::optional<QUuid> m_asking;
    std::optional<std::chrono::steady_clock::time_point> m_lastRaise;
};
