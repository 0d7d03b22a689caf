#include "platform/linux/ApertiumTranslator.h"

#include "support/Await.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using PairStatus = OnDeviceTranslator::PairStatus;
using namespace std::chrono_literals;

// True while the process exists and has not ended (an ended child may wait a
// while to be reaped by whoever adopted it).
bool running(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype afterName = line.lastIndexOf(')');
    return afterName < 0 || line.mid(afterName + 2, 1) != "Z";
}

// A data folder with the given mode files and a stand-in for the apertium
// command that runs `script`.
class FakeApertium {
public:
    FakeApertium(const QStringList& modes, const QByteArray& script) {
        for (const QString& mode : modes)
            folder.write(QStringLiteral("data/modes/") + mode + QStringLiteral(".mode"), "lt-proc x\n");
        program = folder.write(QStringLiteral("bin/apertium"), "#!/bin/sh\n" + script);
        QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
    }

    ApertiumTranslator translator(std::chrono::milliseconds timeout = 10s) const {
        return ApertiumTranslator(program, folder.file(QStringLiteral("data")), timeout);
    }

    TempFolder folder;
    QString program;
};

// Echoes the mode it was given, then its input.
const QByteArray echoMode = "echo \"[$4]\"; cat\n";

TEST(ApertiumTranslatorTest, ListsInstalledPairsFromTheModeFiles) {
    const FakeApertium apertium({"eng-spa", "spa-eng", "spa-eng_US", "es-pt", "eng-spa-debug-x", "README"}, echoMode);
    apertium.folder.write(QStringLiteral("data/modes/notes.txt"), "");
    ApertiumTranslator translator = apertium.translator();

    EXPECT_TRUE(translator.isAvailable());
    EXPECT_EQ(translator.installedModes(), QStringList({"eng-spa", "es-pt", "spa-eng", "spa-eng_US"}));
    EXPECT_EQ(translator.status(QStringLiteral("en"), QStringLiteral("es")), PairStatus::Installed);
    EXPECT_EQ(translator.status(QStringLiteral("en-GB"), QStringLiteral("es-MX")), PairStatus::Installed);
    EXPECT_EQ(translator.status(QStringLiteral("es"), QStringLiteral("pt-BR")), PairStatus::Installed);
    // A Debian package would bring this one.
    EXPECT_EQ(translator.status(QStringLiteral("fr"), QStringLiteral("es")), PairStatus::Supported);
    // English to Portuguese would need Spanish in between: not offered.
    EXPECT_EQ(translator.status(QStringLiteral("en"), QStringLiteral("pt")), PairStatus::Unsupported);
    EXPECT_EQ(translator.status(QStringLiteral("en"), QStringLiteral("fr")), PairStatus::Unsupported);
    EXPECT_EQ(translator.status(QStringLiteral("zh-Hans"), QStringLiteral("en")), PairStatus::Unsupported);
}

TEST(ApertiumTranslatorTest, UnavailableWithoutPairsOrProgram) {
    const FakeApertium empty({}, echoMode);
    EXPECT_FALSE(empty.translator().isAvailable());

    const FakeApertium pairs({"eng-spa"}, echoMode);
    ApertiumTranslator missingProgram(pairs.folder.file(QStringLiteral("bin/none")),
                                      pairs.folder.file(QStringLiteral("data")));
    EXPECT_FALSE(missingProgram.isAvailable());
    ApertiumTranslator missingFromPath(QStringLiteral("quorvane-no-such-apertium"),
                                       pairs.folder.file(QStringLiteral("data")));
    EXPECT_FALSE(missingFromPath.isAvailable());
}

TEST(ApertiumTranslatorTest, PicksTheModeForTheTargetRegion) {
    const FakeApertium apertium({"spa-eng", "spa-eng_US"}, echoMode);
    ApertiumTranslator translator = apertium.translator();
    EXPECT_EQ(awaitResult(translator.translate(QStringLiteral("Hola"), QStringLiteral("es"), QStringLiteral("en-US"))),
              "[spa-eng_US]\nHola");
    EXPECT_EQ(awaitResult(translator.translate(QStringLiteral("Hola"), QStringLiteral("es"), QStringLiteral("en"))),
              "[spa-eng]\nHola");
    EXPECT_EQ(awaitResult(translator.translate(QStringLiteral("Hola"), QStringLiteral("es"), QStringLiteral("en-GB"))),
              "[spa-eng]\nHola");
    EXPECT_EQ(awaitResult(translator.translate(QStringLiteral("Olá"), QStringLiteral("pt"), QStringLiteral("en"))),
              std::nullopt);
}

TEST(ApertiumTranslatorTest, PassesTextThroughUnchangedAsUtf8) {
    const FakeApertium apertium({"eng-spa"}, "cat\n");
    const QString text = QStringLiteral("naïve café \"quotes\" $HOME `x` 😀\nsecond line");
    EXPECT_EQ(awaitResult(apertium.translator().translate(text, QStringLiteral("en"), QStringLiteral("es"))), text);
}

TEST(ApertiumTranslatorTest, AFailingRunGivesNothing) {
    const FakeApertium apertium({"eng-spa"}, "echo partial; exit 3\n");
    EXPECT_EQ(awaitResult(apertium.translator().translate(QStringLiteral("Hello there friend"), QStringLiteral("en"),
                                                          QStringLiteral("es"))),
              std::nullopt);
}

TEST(ApertiumTranslatorTest, ATimeOutEndsTheWholePipeline) {
    const FakeApertium apertium({"eng-spa"}, "sleep 60 &\necho $! > \"$(dirname \"$0\")/child\"\nwait\n");
    QFuture<std::optional<QString>> future = apertium.translator(300ms).translate(
        QStringLiteral("Hello there friend"), QStringLiteral("en"), QStringLiteral("es"));
    EXPECT_EQ(awaitResult(future), std::nullopt);
    const qint64 child = apertium.folder.read(QStringLiteral("bin/child")).trimmed().toLongLong();
    ASSERT_GT(child, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !running(child); }, 5000)) << "the pipeline's child outlived the time-out";
}

} // namespace
