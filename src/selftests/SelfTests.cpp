#include "selftests/SelfTests.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <functional>
#include <optional>

namespace SelfTests {
namespace {

const QString kDefaultCleanupInput = QStringLiteral(
    "so um the meeting uh the meeting went good she's grew up wealthy but but she also had to deal with a "
    "downfall and its pretty awesome shes you should follow her");
const QString kDefaultShotPage = QStringLiteral("Dictation");
const QString kDefaultShotFile = QStringLiteral("pane.png");

void task(std::function<void()> test) { QTimer::singleShot(0, QCoreApplication::instance(), std::move(test)); }

} // namespace

PageShot PageShot::fromSwitch(const QString& value, const QString& temporaryFolder) {
    // Leading colons only make empty pieces; the first piece ends at the next
    // colon and the rest, colons and all, is the second.
    qsizetype start = 0;
    while (start < value.size() && value.at(start) == QLatin1Char(':'))
        ++start;
    const qsizetype colon = value.indexOf(QLatin1Char(':'), start);
    const QString first = colon < 0 ? value.mid(start) : value.mid(start, colon - start);
    const QString second = colon < 0 ? QString() : value.mid(colon + 1);
    PageShot shot;
    shot.page = first.isEmpty() ? kDefaultShotPage : first;
    shot.path = second.isEmpty() ? QDir(temporaryFolder).filePath(kDefaultShotFile) : second;
    return shot;
}

void start(const QProcessEnvironment& environment, const Services& services) {
    const auto value = [&environment](const char* name) -> std::optional<QString> {
        const QString key = QString::fromLatin1(name);
        return environment.contains(key) ? std::optional(environment.value(key)) : std::nullopt;
    };
    const auto on = [&value](const char* name) { return value(name) == QStringLiteral("1"); };

    if (const auto path = value("QV_SETUP_STATE"))
        task([path = *path, &engine = services.engine] { reportSetupState(path, engine); });
    if (on("QV_GLASS_TEST"))
        task(showGlassVariants);
    if (on("QV_DIAG_TEST"))
        task(services.showMicrophoneTest);
    if (const auto path = value("QV_DL_TEST"))
        task([path = *path] { downloadModelFile(path); });
    if (const auto path = value("QV_DICTATE_TEST"))
        task([path = *path, &dictation = services.dictation] { dictateOnce(path, dictation); });
    if (on("QV_BUBBLE_TEST"))
        task([&bubble = services.bubble] { showSampleBubble(bubble); });
    if (const auto path = value("QV_CLEANUP_TEST")) {
        const QString input = value("QV_CLEANUP_INPUT").value_or(kDefaultCleanupInput);
        task([path = *path, input, &cleanup = services.cleanup] { cleanTranscript(cleanup, path, input); });
    }
    if (const auto path = value("QV_DISMISS_TEST"))
        task([path = *path, &bubble = services.bubble] { dismissResultCard(path, bubble); });
    if (const auto path = value("QV_WINDOW_TEST"))
        task([path = *path, pages = services.pages] { stepThroughPages(path, pages); });
    if (const auto shot = value("QV_SHOT"))
        task(
            [shot = PageShot::fromSwitch(*shot, QDir::tempPath()), pages = services.pages] { shootPage(shot, pages); });
    if (const auto path = value("QV_LANG_TEST"))
        task([path = *path] { checkSpanishDetection(path); });
    if (const auto path = value("QV_DICT_TEST"))
        task([path = *path, &dictionary = services.dictionary, &bias = services.wordBias] {
            checkDictionaryCorrections(path, dictionary, bias);
        });
    if (const auto path = value("QV_MIC_TEST"))
        task([path = *path] { recordAndTranscribe(path); });
    if (const auto path = value("QV_BUBBLE_SHOT"))
        task([path = *path, &bubble = services.bubble] { captureBubble(path, bubble); });
}

} // namespace SelfTests
