// scripts/setup.sh is all a fresh machine runs before the tests: every module
// a Python test imports must come from the standard library, from this
// project, or from a package the script installs by name. A package that only
// happens to be on this machine (pulled in by something else) is not enough.

#include <QDir>
#include <QProcess>
#include <QSet>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

const QString kRoot = QDir::cleanPath(QStringLiteral(QUORVANE_TEST_SOURCE "/.."));

// Prints "module<TAB>file" for every module the tests import that is neither
// in the standard library nor one of the project's own ("module<TAB>" when
// this machine has no such module at all).
constexpr const char* kImportsScript = R"PY(
import ast, importlib.util, pathlib, sys
root = pathlib.Path(sys.argv[1])
ours = {p.stem for p in root.rglob("*.py")} | {p.parent.name for p in root.rglob("__init__.py")}
found = set()
for path in (root / "tests").rglob("*.py"):
    for node in ast.walk(ast.parse(path.read_text(), str(path))):
        if isinstance(node, ast.Import):
            found |= {alias.name.split(".")[0] for alias in node.names}
        elif isinstance(node, ast.ImportFrom) and node.level == 0 and node.module:
            found.add(node.module.split(".")[0])
for name in sorted(found - set(sys.stdlib_module_names) - ours):
    spec = importlib.util.find_spec(name)
    origin = (spec.origin if spec and spec.origin not in (None, "built-in", "frozen")
              else next(iter(spec.submodule_search_locations), "") if spec and spec.submodule_search_locations else "")
    print(name + "\t" + (origin or ""))
)PY";

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The names in the script's `packages=( … )` list, as bash reads them.
QSet<QString> packagesTheScriptInstalls() {
    const QString script =
        QStringLiteral("eval \"$(sed -n '/^packages=(/,/^)/p' \"$1\")\"; printf '%s\\n' \"${packages[@]}\"");
    const QString out = run(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), script, QStringLiteral("bash"),
                                                          kRoot + QStringLiteral("/scripts/setup.sh")});
    const QStringList names = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return QSet<QString>(names.cbegin(), names.cend());
}

// The Debian package that owns `file`, or empty.
QString ownerOf(const QString& file) {
    const QString out = run(QStringLiteral("dpkg"), {QStringLiteral("-S"), file});
    return out.section(QLatin1Char(':'), 0, 0).trimmed();
}

TEST(SetupPackagesTest, EveryModuleThePythonTestsImportIsInstalledByTheSetupScript) {
    const QSet<QString> installed = packagesTheScriptInstalls();
    ASSERT_TRUE(installed.contains(QStringLiteral("python3-numpy"))) << "the script's package list was not read";
    const QString imports =
        run(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QLatin1String(kImportsScript), kRoot});
    ASSERT_FALSE(imports.isEmpty()) << "no imports were read from the tests";
    for (const QString& line : imports.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString module = line.section(QLatin1Char('\t'), 0, 0);
        const QString file = line.section(QLatin1Char('\t'), 1);
        SCOPED_TRACE(module.toStdString());
        ASSERT_FALSE(file.isEmpty()) << "not on this machine at all";
        const QString package = ownerOf(file);
        ASSERT_FALSE(package.isEmpty()) << file.toStdString() << " belongs to no Debian package";
        EXPECT_TRUE(installed.contains(package)) << package.toStdString() << " is not in scripts/setup.sh";
    }
}

} // namespace
