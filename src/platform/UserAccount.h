#pragma once

#include <QString>

// The account of the logged-in user.
class UserAccount {
public:
    virtual ~UserAccount() = default;

    // The account's full name as the system records it; empty when it has none.
    virtual QString fullName() = 0;
};
