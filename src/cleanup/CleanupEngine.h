#pragma once

#include "cleanup/CleanupWay.h"
#include "cleanup/NumberStyle.h"
#include "support/Regex.h"

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>

class Defaults;
class LlmServer;
class QNetworkAccessManager;

// Turns a raw transcript into the text that is inserted: rule passes, the
// language-model pass through the helper program or the local model server,
// and the checks that decide whether a model's answer may be used. The checks,
// the rule passes and spoken numbers are pure functions of their arguments and
// the user's settings, safe to call from any thread; they are static.
//
// The engine itself holds what the model passes need: the network access to
// the model server and the warm helper. Made on the GUI thread, where its
// requests and helper processes live; a request still under way when it is
// destroyed ends without a result, and its helper processes end with it.
class CleanupEngine : public QObject {
    Q_OBJECT
public:
    // `defaults` and `server` must outlive the engine.
    CleanupEngine(Defaults& defaults, LlmServer& server, QObject* parent = nullptr);
    ~CleanupEngine() override;

    // ---- The pipeline
    struct Result {
        QString text;
        CleanupWay way = CleanupWay::Regex;
    };
    // Cleans a transcript the cheapest way that works: rules alone for fewer than
    // four words, else the on-device model through the helper (when switched on),
    // else the local model server (when ready), else the rules. A model's answer
    // is used only when it passes the checks. Never fails. Any thread.
    QFuture<Result> clean(const QString& text, bool aggressive, const QString& instruction,
                          std::optional<NumberStyle> numbers, bool allowInferredLists);
    // Fewer than four pieces between white space.
    static bool tooShortToPolish(const QString& text);
    // Has the rules' patterns compiled, off this thread, the first time it is
    // called: a dictation's first clean-up then costs what every later one does.
    void warmRules();

    // ---- The helper program, which runs the system's on-device model. Call these
    // on the GUI thread; the wait for the helper never blocks it.
    // bin/quorvane-helper in the resources, else quorvane-helper beside the program.
    static std::optional<QString> helperURL();
    // Starts a helper ahead of need so its model is loaded when the text is known.
    // Does nothing unless "useAppleIntelligence" is on and the helper exists.
    void prewarm();
    // Stops the warm helper, if any.
    void discardWarm();
    // The process id of the warm helper, or 0 when there is none.
    qint64 warmHelperProcessId() const;
    // One clean-up through the helper (the warm one when alive): its answer with
    // artifacts and label removed, or nothing on any failure or after the deadline.
    QFuture<std::optional<QString>> runHelperClean(const QString& helper, const QString& text);
    // The helper's trimmed output for `text`, or nothing. One deadline covers
    // writing the text, the wait and the reading of the answer.
    QFuture<std::optional<QString>> runHelperProcess(const QString& helper, const QString& text);
    std::chrono::milliseconds helperDeadline() const { return m_helperDeadline; }
    void setHelperDeadline(std::chrono::milliseconds deadline) { m_helperDeadline = deadline; }

    // ---- Language-model request to the local model server.
    static QUrl llmBaseURL();
    static const QString& cleanInstructions();
    static const QString& polishInstructions();
    // Three pairs of a raw transcript and its cleaned form.
    static const QList<QPair<QString, QString>>& cleanupExamples();
    // The number sentence for a style; an absent style means the user's
    // "numberStyle" setting.
    static QString numberInstruction(std::optional<NumberStyle> style);
    // The sentence for a style that is known (no setting is read).
    static QString numberSentence(NumberStyle style);
    // The user's "numberStyle" setting; absent or unknown is smart.
    static NumberStyle numberStyleSetting();
    // The sentence that lists the user's own words for the model.
    static QString dictionarySentence(const QStringList& words);
    // The system message: instructions, number sentence, style line, the user's words.
    static QString systemText(bool aggressive, const QString& instruction, std::optional<NumberStyle> numbers,
                              const QStringList& dictionaryWords);
    // The cleaned text from the local model server, or nothing on any failure.
    QFuture<std::optional<QString>> runLocalLLMClean(const QString& text, bool aggressive, const QString& instruction,
                                                     std::optional<NumberStyle> numbers);
    static std::chrono::milliseconds llmTimeout() { return std::chrono::seconds(30); }
    // The model's text from a reply: status 200, choices[0].message.content,
    // artifacts and label removed, inside the length window. Not yet post-processed.
    static std::optional<QString> llmReplyText(int httpStatus, const QByteArray& body, const QString& text);
    // The JSON body of the chat request.
    static QByteArray llmRequestBody(const QString& model, const QString& systemText, const QString& text);

    // ---- Checks on a model's answer

    // Whether `result` keeps the length, the question and most of the content of
    // `original`.
    static bool preservesOriginal(const QString& original, const QString& result);
    // Whether `text` is structured data or a list/markup rather than prose.
    static bool looksStructured(const QString& text);
    // `cleaned` without bracketed placeholders that the speaker did not dictate.
    static QString stripInventedPlaceholders(const QString& original, const QString& cleaned);
    // A raw model reply without markers, reasoning, code fences, remarks and JSON wrapping.
    static QString stripModelArtifacts(const QString& text);
    // The text members of a JSON reply, joined with blanks; none when `text` is not such JSON.
    static std::optional<QString> unwrapJSONPayload(const QString& text);
    // The patterns of labels a model puts before its answer ("Cleaned transcript:").
    static const QList<Regex>& labelPatterns();
    // `text` (already trimmed) without one leading label.
    static QString stripLeadingLabel(const QString& text);
    // The model answer `candidate` for `original` after placeholder removal, or
    // none when it is empty, structured or loses the original.
    static std::optional<QString> acceptedModelText(const QString& original, const QString& candidate);

    // ---- Spoken numbers

    // Numbers spoken as words written as digits to the degree of `style`
    // (absent: the "numberStyle" setting). In "digits", number words before an
    // ordinal make one ordinal ("twenty first" → "21st"); "second" after a number
    // is an ordinal only after "the", a possessive or a month, or before "of"
    // ("a thirty second delay" keeps it).
    static QString digitizeNumbers(const QString& text, std::optional<NumberStyle> style = std::nullopt);
    // Runs of three or more spelled digits written together ("four one five" → "415").
    static QString joinSpelledDigits(const QString& text);
    // Dollar amounts after digitising ("5 dollars and 5 cents" → "$5.05").
    static QString formatSpokenMoney(const QString& text);

    // ---- Rule passes

    // `text` without hesitations and filler phrases.
    static QString stripFillers(const QString& text);
    // E-mail addresses dictated as words written as addresses, where the words
    // show that an address was meant (SpokenAddresses::writeEmailAddresses).
    static QString normalizeSpokenEmails(const QString& text);
    // The complete clean by rules: fillers, stutters, spacing, post-processing and
    // a closing full stop.
    static QString regexClean(const QString& text);
    // Spoken mail-provider word → the provider's mail domain.
    static const QMap<QString, QString>& knownMailProviders();

    // ---- The passes every cleanup path ends with

    // Whether counted items may become a list (setting "listsFromCounting", on unless off).
    static bool listsFromCounting();
    // The closing pass over any accepted text: addresses and site names, numbers,
    // post-processing, bullets.
    static QString closingRulePass(const QString& text, std::optional<NumberStyle> numbers, bool allowInferredLists);
    // The clean used when no model answered: `regexClean`, then addresses and site
    // names, numbers and bullets.
    static QString rulesOnlyClean(const QString& text, std::optional<NumberStyle> numbers, bool allowInferredLists);

private:
    struct Request;
    void tryHelper(const Request& request);
    void tryServer(const Request& request);

    Defaults& m_defaults;
    LlmServer& m_server;
    std::chrono::milliseconds m_helperDeadline{15000};
    bool m_rulesWarmed = false;
    // The helper started ahead of need; at most one exists.
    QPointer<QProcess> m_warm;
    // The parent of every exchange with a helper under way.
    QObject m_helperRuns;
    // Made at the first request to the model server.
    std::unique_ptr<QNetworkAccessManager> m_network;
};
