#include "platform/linux/PasswdUserAccount.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

QString PasswdUserAccount::fullName() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_gecos)
        return {};
    return QString::fromLocal8Bit(found->pw_gecos).section(QLatin1Char(','), 0, 0).trimmed();
}

quint32 PasswdUserAccount::id() const { return quint32(getuid()); }
