// The cleanup pipeline: the cheapest way of cleaning that works, and which one won.
#include "cleanup/CleanupEngine.h"

#include "cleanup/GuiThread.h"
#include "cleanup/TextCleanup.h"
#include "engine/LlmServer.h"
#include "support/Defaults.h"

#include <QPromise>
#include <QtConcurrent>

#include <functional>
#include <memory>

namespace {

// A dictation of a few sentences is cleaned in well under a millisecond: on
// the GUI thread it is done at once, sparing the text two turns of the event
// loop on its way to the paste.
constexpr qsizetype kCleanedAtOnce = 300;

} // namespace

struct CleanupEngine::Request {
    QString text;
    bool aggressive;
    QString instruction;
    std::optional<NumberStyle> numbers;
    bool allowInferredLists;
    std::shared_ptr<QPromise<Result>> promise;

    // Runs `pass` (on the thread pool unless the text is short) and delivers
    // its text with `way`.
    void finishWith(CleanupWay way, std::function<QString()> pass) const {
        if (text.size() <= kCleanedAtOnce && onGuiThread()) {
            promise->addResult(Result{pass(), way});
            promise->finish();
            return;
        }
        QtConcurrent::run(std::move(pass)).then([promise = promise, way](const QString& cleaned) {
            promise->addResult(Result{cleaned, way});
            promise->finish();
        });
    }

    void finishFromModel(const QString& accepted, CleanupWay way) const {
        finishWith(way, [request = *this, accepted] {
            return closingRulePass(stripFillers(accepted), request.numbers, request.allowInferredLists);
        });
    }

    void rulesOnly() const {
        finishWith(CleanupWay::Regex, [request = *this] {
            return rulesOnlyClean(request.text, request.numbers, request.allowInferredLists);
        });
    }
};

CleanupEngine::CleanupEngine(Defaults& defaults, LlmServer& server, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_server(server) {}

CleanupEngine::~CleanupEngine() {
    // What is under way ends while the engine can still hear of it: the
    // helpers are stopped and the replies dropped, and each request ends
    // without a result.
    discardWarm();
    const QObjectList runs = m_helperRuns.children();
    qDeleteAll(runs);
    m_network.reset();
}

void CleanupEngine::tryServer(const Request& request) {
    if (!m_server.isReady())
        return request.rulesOnly();
    m_server.beginRequest();
    runLocalLLMClean(request.text, request.aggressive, request.instruction, request.numbers)
        .then(this,
              [this, request](const std::optional<QString>& reply) {
                  // Every outcome ends the request; the last one out performs a
                  // release that memory pressure deferred.
                  m_server.endRequest();
                  const auto accepted = reply ? acceptedModelText(request.text, *reply) : std::nullopt;
                  if (accepted)
                      request.finishFromModel(*accepted, CleanupWay::LocalLlm);
                  else
                      request.rulesOnly();
              })
        // A request the engine's end cut short ends too.
        .onCanceled([&server = m_server] { server.endRequest(); });
}

void CleanupEngine::tryHelper(const Request& request) {
    const std::optional<QString> helper =
        m_defaults.boolOr(QStringLiteral("useAppleIntelligence"), false) ? helperURL() : std::nullopt;
    if (!helper)
        return tryServer(request);
    runHelperClean(*helper, request.text).then(this, [this, request](const std::optional<QString>& reply) {
        const auto accepted = reply ? acceptedModelText(request.text, *reply) : std::nullopt;
        if (accepted)
            request.finishFromModel(*accepted, CleanupWay::AppleIntelligence);
        else
            tryServer(request);
    });
}

void CleanupEngine::warmRules() {
    if (m_rulesWarmed)
        return;
    m_rulesWarmed = true;
    (void)QtConcurrent::run([] {
        const QString sample = QStringLiteral("um so send twenty five dollars to anna at example dot com by friday");
        for (const NumberStyle style : {NumberStyle::Smart, NumberStyle::Digits, NumberStyle::Words}) {
            const QString text = TextCleanup::postProcess(digitizeNumbers(sample, style));
            (void)rulesOnlyClean(text, style, true);
            (void)closingRulePass(stripFillers(text), style, true);
        }
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
    Request request{text, aggressive, instruction, numbers, allowInferredLists, std::make_shared<QPromise<Result>>()};
    request.promise->start();
    QFuture<Result> future = request.promise->future();
    runOnGuiThread(this, [this, request] {
        if (!tooShortToPolish(request.text))
            return tryHelper(request);
        // A warm helper is not needed for a few words.
        discardWarm();
        request.finishWith(CleanupWay::Quick, [request] {
            return closingRulePass(stripFillers(request.text), request.numbers, request.allowInferredLists);
        });
    });
    return future;
}
