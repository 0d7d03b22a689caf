#include "mainwindow/DashboardServices.h"

#include "platform/Platform.h"
#include "platform/UserAccount.h"
#include "support/Defaults.h"

DashboardServices DashboardServices::standard(StatsStore& stats, HistoryStore& history, PhoneNotesInbox& inbox,
                                              NoteTarget* target) {
    DashboardServices services;
    services.stats = &stats;
    services.history = &history;
    services.defaults = &Defaults::shared();
    services.inbox = &inbox;
    services.target = target;
    services.now = [] { return QDateTime::currentDateTime(); };
    services.accountName = [] {
        UserAccount* account = Platform::current().userAccount;
        return account ? account->fullName() : QString();
    };
    services.later = DelayedCalls::timers();
    return services;
}
