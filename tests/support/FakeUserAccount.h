#pragma once

#include "platform/UserAccount.h"

// An account whose full name tests set.
class FakeUserAccount : public UserAccount {
public:
    QString fullName() override { return name; }

    QString name;
};
