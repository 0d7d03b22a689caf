#include "mainwindow/DashboardServices.h"

#include "insertion/InsertTarget.h"
#include "platform/Platform.h"
#include "platform/UserAccount.h"
#include "stores/HistoryStore.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"

DashboardServices DashboardServices::standard(PhoneNotesInbox& inbox) {
    DashboardServices services;
    services.stats = &StatsStore::shared();
    services.history = &HistoryStore::shared();
    services.defaults = &Defaults::shared();
    services.inbox = &inbox;
    services.target = &InsertTarget::shared();
    services.now = [] { return QDateTime::currentDateTime(); };
    services.accountName = [] {
        UserAccount* account = Platform::current().userAccount;
        return account ? account->fullName() : QString();
    };
    services.later = DelayedCalls::timers();
    return services;
}
