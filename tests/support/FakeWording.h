#pragma once

#include "platform/Wording.h"

#include <QHash>

// Words texts as the test's table says; texts it does not hold stay as they are.
class FakeWording : public Wording {
public:
    QString forDesktop(const QString& text) const override { return table.value(text, text); }

    QHash<QString, QString> table;
};
