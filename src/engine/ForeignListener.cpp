#include "engine/ForeignListener.h"

#include "platform/Platform.h"
#include "platform/ProcessTable.h"
#include "platform/UserAccount.h"

#include <algorithm>

namespace ForeignListener {

bool holds(quint16 port) {
    const Platform& platform = Platform::current();
    if (!platform.processTable || !platform.userAccount)
        return false;
    return holds(*platform.processTable, platform.userAccount->id(), port);
}

bool holds(const ProcessTable& processes, quint32 ownAccount, quint16 port) {
    const QList<quint32> accounts = processes.listenerAccounts(port);
    return std::any_of(accounts.cbegin(), accounts.cend(),
                       [ownAccount](quint32 account) { return account != ownAccount; });
}

QString message(quint16 port) {
    return QStringLiteral("Another account on this computer holds port %1, where Quorvane's engine listens, so "
                          "Quorvane sends it nothing. Ask that account's user to free the port.")
        .arg(port);
}

} // namespace ForeignListener
