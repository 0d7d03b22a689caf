#pragma once

#include <QProcess>
#include <QString>

#include <functional>
#include <optional>

// A part a test program plays when a test starts it again as a child process,
// to do what one process cannot do to itself (quit or crash midway, run
// without a sound server). The test main runs the requested role instead of
// the tests and exits with what the role returns: 0 when all went as it should.
namespace ChildRole {

using Body = std::function<int()>;

// Registers a role under `name`; call it to initialise a namespace-scope
// constant of the test file, so that the role exists before main runs.
bool add(const QString& name, Body body);

// What the role this program was started for returned; none when it runs tests.
std::optional<int> runRequested();

// This test program started in the role `name` with `environment` added to
// the caller's environment, its output merged into one channel.
void start(QProcess& child, const QString& name, const QProcessEnvironment& environment = {});

} // namespace ChildRole
