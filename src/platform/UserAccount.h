#pragma once

#include <QString>

// The account of the logged-in user.
class UserAccount {
public:
    virtual ~UserAccount() = default;

    // The account's full name as the system records it; empty when it has none.
    virtual QString fullName() = 0;
    // The account's user id, the one this program runs as.
    virtual quint32 id() const = 0;
};
