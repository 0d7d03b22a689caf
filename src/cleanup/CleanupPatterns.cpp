#include "cleanup/CleanupPatterns.h"

#include "cleanup/Veiled.h"
#include "cleanup/VeiledTexts.h"

namespace {

constexpr Regex::Options caseless = Regex::CaseInsensitive;

Regex compiled(const QByteArray& veiled, Regex::Options options = {}) { return Regex(Veiled::unveil(veiled), options); }

} // namespace

namespace CleanupPatterns {

#define QV_PATTERN(name, expression)                                                                                   \
    const Regex& name() {                                                                                              \
        static const Regex pattern = expression;                                                                       \
        return pattern;                                                                                                \
    }

QV_PATTERN(fillers, compiled(VeiledTexts::fillers(), caseless))
QV_PATTERN(blankRuns, compiled(VeiledTexts::blankRuns()))
QV_PATTERN(spaceBeforeMark, compiled(VeiledTexts::spaceBeforeMark()))
QV_PATTERN(doubleBlanks, compiled(VeiledTexts::doubleBlanks()))
QV_PATTERN(stutters, compiled(VeiledTexts::stutters(), caseless))
QV_PATTERN(spokenDot, compiled(VeiledTexts::spokenDot(), caseless))
QV_PATTERN(spokenUnderscore, compiled(VeiledTexts::spokenUnderscore(), caseless))
QV_PATTERN(spokenDash, compiled(VeiledTexts::spokenDash(), caseless))
QV_PATTERN(spokenAt, compiled(VeiledTexts::spokenAt(), caseless))
QV_PATTERN(topLevelDomain, compiled(VeiledTexts::topLevelDomain(), caseless))
QV_PATTERN(objectPronoun, compiled(VeiledTexts::objectPronoun(), caseless))
QV_PATTERN(addressCue, compiled(VeiledTexts::addressCue(), caseless))
QV_PATTERN(siteCue, compiled(VeiledTexts::siteCue(), caseless))
QV_PATTERN(webPrefix, compiled(VeiledTexts::webPrefix(), caseless))
QV_PATTERN(structuredData, compiled(VeiledTexts::structuredData()))
QV_PATTERN(structuredProse, compiled(VeiledTexts::structuredProse(), caseless))
QV_PATTERN(thinkingBlock, compiled(VeiledTexts::thinkingBlock(), caseless))
QV_PATTERN(assistantMarker, compiled(VeiledTexts::assistantMarker(), caseless))
QV_PATTERN(codeFences, compiled(VeiledTexts::codeFences(), caseless))
QV_PATTERN(sequenceTokens, compiled(VeiledTexts::sequenceTokens()))
QV_PATTERN(modelRemarks, compiled(VeiledTexts::modelRemarks(), caseless))

#undef QV_PATTERN

const QList<Regex>& labels() {
    static const QList<Regex> patterns = {
        compiled(VeiledTexts::labelTranscript(), caseless),
        compiled(VeiledTexts::labelCleaned(), caseless),
        compiled(VeiledTexts::labelAcknowledged(), caseless),
    };
    return patterns;
}

QList<QPair<QString, Regex>> all() {
    QList<QPair<QString, Regex>> list = {
        {QStringLiteral("fillers"), fillers()},
        {QStringLiteral("blankRuns"), blankRuns()},
        {QStringLiteral("spaceBeforeMark"), spaceBeforeMark()},
        {QStringLiteral("doubleBlanks"), doubleBlanks()},
        {QStringLiteral("stutters"), stutters()},
        {QStringLiteral("spokenDot"), spokenDot()},
        {QStringLiteral("spokenUnderscore"), spokenUnderscore()},
        {QStringLiteral("spokenDash"), spokenDash()},
        {QStringLiteral("spokenAt"), spokenAt()},
        {QStringLiteral("topLevelDomain"), topLevelDomain()},
        {QStringLiteral("objectPronoun"), objectPronoun()},
        {QStringLiteral("addressCue"), addressCue()},
        {QStringLiteral("siteCue"), siteCue()},
        {QStringLiteral("webPrefix"), webPrefix()},
        {QStringLiteral("structuredData"), structuredData()},
        {QStringLiteral("structuredProse"), structuredProse()},
        {QStringLiteral("thinkingBlock"), thinkingBlock()},
        {QStringLiteral("assistantMarker"), assistantMarker()},
        {QStringLiteral("codeFences"), codeFences()},
        {QStringLiteral("sequenceTokens"), sequenceTokens()},
        {QStringLiteral("modelRemarks"), modelRemarks()},
    };
    for (qsizetype i = 0; i < labels().size(); ++i)
        list.append({QStringLiteral("label%1").arg(i + 1), labels()[i]});
    return list;
}

} // namespace CleanupPatterns
