// The cleanup pipeline: the cheapest way of cleaning that works, and which one won.
#include "cleanup/CleanupEngine.h"

#include "cleanup/GuiThread.h"
#include "cleanup/TextCleanup.h"
#include "engine/LlmServer.h"
#include "support/Defaults.h"

#include <QPromise>
#include <QtConcurrent>

#include <memory>
#include <mutex>

namespace {

struct Request {
    QString text;
    bool aggressive;
    QString instruction;
    std::optional<NumberStyle> numbers;
    bool allowInferredLists;
    std::shared_ptr<QPromise<CleanupEngine::Result>> promise;
};

// A dictation of a few sentences is cleaned in well under a millisecond: on
// the GUI thread it is done at once, sparing the text two turns of the event
// loop on its way to the paste.
constexpr qsizetype kCleanedAtOnce = 300;

// Runs `pass` (on the thread pool unless the text is short) and delivers its
// text with `way`.
void finishWith(const Request& request, CleanupWay way, std::function<QString()> pass) {
    auto promise = request.promise;
    if (request.text.size() <= kCleanedAtOnce && onGuiThread()) {
        promise->addResult(CleanupEngine::Result{pass(), way});
        promise->finish();
        return;
    }
    QtConcurrent::run(std::move(pass)).then([promise, way](const QString& text) {
        promise->addResult(CleanupEngine::Result{text, way});
        promise->finish();
    });
}

void finishFromModel(const Request& request, const QString& accepted, CleanupWay way) {
    finishWith(request, way, [request, accepted] {
        return CleanupEngine::closingRulePass(CleanupEngine::stripFillers(accepted), request.numbers,
                                              request.allowInferredLists);
    });
}

void rulesOnly(const Request& request) {
    finishWith(request, CleanupWay::Regex, [request] {
        return CleanupEngine::rulesOnlyClean(request.text, request.numbers, request.allowInferredLists);
    });
}

void tryServer(const Request& request) {
    LlmServer& server = LlmServer::shared();
    if (!server.isReady())
        return rulesOnly(request);
    server.beginRequest();
    CleanupEngine::runLocalLLMClean(request.text, request.aggressive, request.instruction, request.numbers)
        .then(QCoreApplication::instance(), [request](const std::optional<QString>& reply) {
            // Every outcome ends the request; the last one out performs a
            // release that memory pressure deferred.
            LlmServer::shared().endRequest();
            const auto accepted = reply ? CleanupEngine::acceptedModelText(request.text, *reply) : std::nullopt;
            if (accepted)
                finishFromModel(request, *accepted, CleanupWay::LocalLlm);
            else
                rulesOnly(request);
        });
}

void tryHelper(const Request& request) {
    const std::optional<QString> helper = Defaults::shared().boolOr(QStringLiteral("useAppleIntelligence"), false)
                                              ? CleanupEngine::helperURL()
                                              : std::nullopt;
    if (!helper)
        return tryServer(request);
    CleanupEngine::runHelperClean(*helper, request.text)
        .then(QCoreApplication::instance(), [request](const std::optional<QString>& reply) {
            const auto accepted = reply ? CleanupEngine::acceptedModelText(request.text, *reply) : std::nullopt;
            if (accepted)
                finishFromModel(request, *accepted, CleanupWay::AppleIntelligence);
            else
                tryServer(request);
        });
}

} // namespace

void CleanupEngine::warmRules() {
    static std::once_flag once;
    std::call_once(once, [] {
        (void)QtConcurrent::run([] {
            const QString sample =
                QStringLiteral("um so send twenty five dollars to anna at example dot com by friday");
            for (const NumberStyle style : {NumberStyle::Smart, NumberStyle::Digits, NumberStyle::Words}) {
                const QString text = TextCleanup::postProcess(digitizeNumbers(sample, style));
                (void)rulesOnlyClean(text, style, true);
                (void)closingRulePass(stripFillers(text), style, true);
            }
        });
    });
}

bool CleanupEngine::tooShortToPolish(const QString& text) {
    qsizetype words = 0;
    bool inWord = false;
    for (const QChar character : text) {
        const bool space = character.isSpace();
        if (!space && !inWord)
            ++words;
        inWord = !space;
    }
    return words < 4;
}

QFuture<CleanupEngine::Result> CleanupEngine::clean(const QString& text, bool aggressive, const QString& instruction,
                                                    std::optional<NumberStyle> numbers, bool allowInferredLists) {
    Request request{text, aggressive, instruction, numbers, allowInferredLists,
                    std::make_shared<QPromise<Result>>()};
    request.promise->start();
    QFuture<Result> future = request.promise->future();
    runOnGuiThread([request] {
        if (!tooShortToPolish(request.text))
            return tryHelper(request);
        // A warm helper is not needed for a few words.
        discardWarm();
        finishWith(request, CleanupWay::Quick, [request] {
            return closingRulePass(stripFillers(request.text), request.numbers, request.allowInferredLists);
        });
    });
    return future;
}
