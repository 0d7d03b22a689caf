#pragma once

#include "platform/UserAccount.h"

// The account as the password database describes it: the full name is the first
// comma-separated field of the GECOS entry.
class PasswdUserAccount : public UserAccount {
public:
    QString fullName() override;
    quint32 id() const override;
};
