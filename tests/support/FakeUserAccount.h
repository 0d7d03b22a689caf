#pragma once

#include "platform/UserAccount.h"

#include <unistd.h>

// An account whose full name and user id tests set.
class FakeUserAccount : public UserAccount {
public:
    QString fullName() override { return name; }
    quint32 id() const override { return uid; }

    QString name;
    // The account the tests run as: a listener a test starts itself is the program's own.
    quint32 uid = quint32(::getuid());
};
