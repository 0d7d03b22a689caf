#pragma once

#include "support/TempFolder.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

// An engine archive of the given kind ("good", "wrong-top", "broken-import",
// or one of the hostile kinds), made by make_archive.py in this folder.
inline QByteArray fixtureArchive(const QString& kind) {
    TempFolder scratch;
    const QString out = scratch.file(QStringLiteral("a.tgz"));
    QProcess::execute(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(QUORVANE_TEST_SOURCE "/provisioning/make_archive.py"), out, kind});
    QFile file(out);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << kind.toStdString();
    return file.readAll();
}
