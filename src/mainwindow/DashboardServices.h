#pragma once

#include "support/DelayedCall.h"

#include <QDateTime>
#include <QString>

#include <functional>

class Defaults;
class HistoryStore;
class NoteTarget;
class PhoneNotesInbox;
class StatsStore;

// What the Dashboard reads and edits. The stores must outlive the page; a
// missing inbox or target leaves the phone section out.
struct DashboardServices {
    StatsStore* stats = nullptr;
    HistoryStore* history = nullptr;
    Defaults* defaults = nullptr;
    PhoneNotesInbox* inbox = nullptr;
    NoteTarget* target = nullptr;
    std::function<QDateTime()> now;
    // The full name of the user's account.
    std::function<QString()> accountName;
    DelayedCall later;

    // The program's settings, the given stores, inbox and target (which must
    // outlive the page; no target leaves the phone section out), the account
    // from the platform and real timers.
    static DashboardServices standard(StatsStore& stats, HistoryStore& history, PhoneNotesInbox& inbox,
                                      NoteTarget* target);
};
