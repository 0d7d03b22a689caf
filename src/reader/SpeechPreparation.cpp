#include "reader/SpeechPreparation.h"

#include "cleanup/TextCleanup.h"
#include "reader/ReadAloudStore.h"
#include "reader/ReaderLanguage.h"
#include "support/Regex.h"

#include <QHash>

namespace SpeechPreparation {

namespace {

struct Homograph {
    Regex pattern;
    QString replacement; // the template with its phonemes: "[read](/ɹˈɛd/)"
};

struct AddressRule {
    Regex pattern;
    QString expansion;
};

QString homographTail(const char* templ, const char* phonemes) {
    return QString::fromUtf8(templ) + QStringLiteral("(/") + QString::fromUtf8(phonemes) + QStringLiteral("/)");
}

#define QV_RESUME_DETERMINERS R"re(\b(?:my|your|his|her|their|our|the|a|an|this|that)\s+)re"
#define QV_RESUME_ADJECTIVES                                                                                           \
    R"re((?:(?:old|new|updated|current|latest|revised|tailored|original|final|previous|existing|attached|master|full|short|long|general|targeted|polished|draft|one-page|two-page)\s+){1,3})re"
#define QV_RESUME_VERBS                                                                                                \
    R"re(\b(?:attach|attached|attaching|send|sending|sent|submit|submitted|submitting|review|reviewed|update|updated|tailor|tailored|enclosed|enclose)\s+)re"
#define QV_LIVE_STATES                                                                                                 \
    "done|shipped|deployed|released|launched|published|tested|verified|working|running|installed|finished|complete|"   \
    "ready|stable|online"

const QList<Homograph>& homographs() {
    static const QList<Homograph> rows = [] {
        const char* const resumes = "ɹˈɛzəmˌAz";
        const char* const resume = "ɹˈɛzəmˌA";
        const char* const readPast = "ɹˈɛd";
        const char* const readNow = "ɹˈid";
        const char* const live = "lˈIv";
        const char* const record = "ɹəkˈɔɹd";
        const struct {
            const char* pattern;
            const char* templ;
            const char* phonemes;
        } table[] = {
            {R"re(\b(résumés|resumés|résumes)\b)re", "[resumes]", resumes},
            {R"re(\b(résumé|resumé|résume)\b)re", "[resume]", resume},
            {QV_RESUME_DETERMINERS QV_RESUME_ADJECTIVES R"re((resumes)\b)re", "[resumes]", resumes},
            {QV_RESUME_DETERMINERS QV_RESUME_ADJECTIVES R"re((resume)\b)re", "[resume]", resume},
            {QV_RESUME_DETERMINERS R"re((resumes)\b)re", "[resumes]", resumes},
            {QV_RESUME_DETERMINERS R"re((resume)\b)re", "[resume]", resume},
            {QV_RESUME_VERBS R"re((resumes)\b)re", "[resumes]", resumes},
            {QV_RESUME_VERBS R"re((resume)\b)re", "[resume]", resume},
            {R"re(\b(resume)\s+(?=and\s+cover\s+letter|attached\b|and\s+CV\b))re", "[resume]", resume},
            {R"re(\b(?:have|has|had|haven't|hasn't|hadn't|having)\s+(?:you\s+|we\s+|they\s+|he\s+|she\s+|it\s+|I\s+|not\s+|already\s+|never\s+|ever\s+)*(read)\b)re",
             "[read]", readPast},
            {R"re(\b(?:to|will|would|can|could|should|shall|must|might|please|let's|lets|help|helps|start|starts|begin|begins|able\s+to|going\s+to|want\s+to)\s+(read)\b)re",
             "[read]", readNow},
            {R"re(\b(?:when|whenever|if|as)\s+(?:I|you|we|they)\s+(read)\b)re", "[read]", readNow},
            {R"re((?:^|(?<=[.!?])\s+)(Read)\s+(?=it|this|that|the|a|an|me|them|aloud|out\b))re", "[read]", readNow},
            {R"re(\b(read)\s+(?=aloud|out\s+loud|it\s+aloud|this\s+aloud))re", "[read]", readNow},
            {R"re(\b(wound)\s+(?=up|down|around|round|through|back|its way))re", "[wound]", "wˈWnd"},
            {R"re(\b(?:is|are|was|were|it's|its|isn't|aren't|wasn't|weren't)\s+(?:now\s+|already\s+|finally\s+|currently\s+|not\s+)*(live)\b)re",
             "[live]", live},
            {R"re(\b(?:goes|going|went|gone)\s+(live)\b)re", "[live]", live},
            {R"re(\b(live)\s+(?=broadcast|stream|streaming|music|show|shows|performance|feed|coverage|audience|demo|event|events|session|updates?|chat|video|call)\b)re",
             "[live]", live},
            {R"re(\b(live)\s+and\s+(?=)re" QV_LIVE_STATES R"re()\b)re", "[live]", live},
            {R"re(\b(?:)re" QV_LIVE_STATES R"re()\s+and\s+(live)\b)re", "[live]", live},
            {R"re(\b(?:to|will|would|can|could|should|must|might|lets|please|don't|not|also|just|then|now)\s+(record)\b)re",
             "[record]", record},
            {R"re(\b(?:tap|taps|tapping|press|presses|pressing|hit|hits|hitting|click|clicks|clicking|push|pushes|pushing|start|starts|stop|stops|resume|resumes)\s+(record)\b)re",
             "[record]", record},
            {R"re(\b(record)\s+(?=button|control|key|toggle|switch|indicator|light))re", "[record]", record},
            {R"re(\b(recording|records)\s+(?=this|that|it|the\s+call|the\s+meeting|audio|video))re", "[recording]",
             "ɹəkˈɔɹdɪŋ"},
        };
        QList<Homograph> built;
        for (const auto& row : table)
            built.append({Regex(QString::fromUtf8(row.pattern), Regex::CaseInsensitive),
                          homographTail(row.templ, row.phonemes)});
        return built;
    }();
    return rows;
}

#define QV_ANY_WORD R"re(((?:[A-Za-z][A-Za-z'-]*|\d+(?:st|nd|rd|th)?)\s+))re"
#define QV_NAME_WORD R"re(((?:[A-Z][A-Za-z'-]*|\d+(?:st|nd|rd|th)?)\s+))re"
#define QV_NOT_BEFORE_NAME R"re((?!\s+(?!Suite|Ste|Apt|Unit)[A-Z]))re"

const QList<AddressRule>& addressRules() {
    static const QList<AddressRule> rules = [] {
        const struct {
            const char* pattern;
            const char* expansion;
        } table[] = {
            {QV_ANY_WORD R"re((blvd|Blvd|BLVD)\b(\.)?+)re", "Boulevard"},
            {QV_ANY_WORD R"re((pkwy|Pkwy|PKWY)\b(\.)?+)re", "Parkway"},
            {QV_ANY_WORD R"re((hwy|Hwy|HWY)\b(\.)?+)re", "Highway"},
            {QV_NAME_WORD R"re((rd|Rd|RD)\b(\.)?+)re", "Road"},
            {QV_NAME_WORD R"re((ln|Ln|LN)\b(\.)?+)re", "Lane"},
            {QV_NAME_WORD R"re((Ct)\b(\.)?+)re", "Court"},
            {QV_NAME_WORD R"re((st|St|ST)\b(\.)?+)re" QV_NOT_BEFORE_NAME, "Street"},
            {QV_NAME_WORD R"re((dr|Dr|DR)\b(\.)?+)re" QV_NOT_BEFORE_NAME, "Drive"},
            {R"re(()\b(hwy|Hwy|HWY)\b(\.)?+(?=\s*\d))re", "Highway"},
            {R"re(()\b(Ste)\b(\.)?+(?=\s*#?\d))re", "Suite"},
            {R"re(()\b(Apt)\b(\.)?+(?=\s*#?[0-9A-Z]))re", "Apartment"},
            {R"re(()\b(St)\b(\.)?+(?=\s+[A-Z][a-z]))re", "Saint"},
        };
        QList<AddressRule> built;
        for (const auto& row : table)
            built.append({Regex(QString::fromUtf8(row.pattern)), QString::fromLatin1(row.expansion)});
        return built;
    }();
    return rules;
}

#define QV_MONTHS "Jan|Feb|Mar|Apr|Jun|Jul|Aug|Sept|Sep|Oct|Nov|Dec|JAN|FEB|MAR|APR|JUN|JUL|AUG|SEPT|SEP|OCT|NOV|DEC"
#define QV_WEEKDAYS "Mon|Tues|Tue|Wed|Thurs|Thur|Thu|Fri|Sat|Sun|MON|TUE|WED|THU|FRI|SAT|SUN"
#define QV_WEEKDAY_NAMES "Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday"
#define QV_MONTH_NAMES "January|February|March|April|May|June|July|August|September|October|November|December"

struct DatePass {
    Regex pattern;
    const QHash<QString, QString>* names;
};

const QHash<QString, QString>& months() {
    static const QHash<QString, QString> table = {
        {QStringLiteral("jan"), QStringLiteral("January")},    {QStringLiteral("feb"), QStringLiteral("February")},
        {QStringLiteral("mar"), QStringLiteral("March")},      {QStringLiteral("apr"), QStringLiteral("April")},
        {QStringLiteral("jun"), QStringLiteral("June")},       {QStringLiteral("jul"), QStringLiteral("July")},
        {QStringLiteral("aug"), QStringLiteral("August")},     {QStringLiteral("sep"), QStringLiteral("September")},
        {QStringLiteral("sept"), QStringLiteral("September")}, {QStringLiteral("oct"), QStringLiteral("October")},
        {QStringLiteral("nov"), QStringLiteral("November")},   {QStringLiteral("dec"), QStringLiteral("December")},
    };
    return table;
}

const QHash<QString, QString>& weekdays() {
    static const QHash<QString, QString> table = {
        {QStringLiteral("mon"), QStringLiteral("Monday")},     {QStringLiteral("tue"), QStringLiteral("Tuesday")},
        {QStringLiteral("tues"), QStringLiteral("Tuesday")},   {QStringLiteral("wed"), QStringLiteral("Wednesday")},
        {QStringLiteral("thu"), QStringLiteral("Thursday")},   {QStringLiteral("thur"), QStringLiteral("Thursday")},
        {QStringLiteral("thurs"), QStringLiteral("Thursday")}, {QStringLiteral("fri"), QStringLiteral("Friday")},
        {QStringLiteral("sat"), QStringLiteral("Saturday")},   {QStringLiteral("sun"), QStringLiteral("Sunday")},
    };
    return table;
}

const QList<DatePass>& datePasses() {
    static const QList<DatePass> passes = {
        // Before a day or a year, whatever follows ("the Dec 5 meeting").
        {Regex(QStringLiteral(R"re(\b()re" QV_MONTHS R"re()\b\.?(?=\s+(?:\d{1,2}(?:st|nd|rd|th)?\b|\d{4}\b)))re")),
         &months()},
        {Regex(QStringLiteral(R"re((?<=\b\d{1,2}(?:st|nd|rd|th)?\s)()re" QV_MONTHS R"re()\b\.?)re")), &months()},
        {Regex(QStringLiteral(
             R"re((?<=\b(?:in|In|by|By|since|Since|until|Until|from|From|of|early|late|mid|mid-)\s)()re" QV_MONTHS
             R"re()\b(?!\.))re")),
         &months()},
        {Regex(QStringLiteral(R"re(\b(Feb|Apr|Jun|Jul|Aug|Sept|Sep|Oct|Nov|Dec)(?=\.))re")), &months()},
        // The second month of a range, then the first.
        {Regex(QStringLiteral(R"re((?<=\b(?:)re" QV_MONTHS "|" QV_MONTH_NAMES R"re()\.?\sto\s)()re" QV_MONTHS
                              R"re()\b\.?)re")),
         &months()},
        {Regex(QStringLiteral(R"re(\b()re" QV_MONTHS R"re()\b\.?(?=\s+to\s+(?:)re" QV_MONTHS "|" QV_MONTH_NAMES
                              R"re()\b))re")),
         &months()},
        // The second day of a range, then the first.
        {Regex(QStringLiteral(R"re((?<=\b(?:)re" QV_WEEKDAYS "|" QV_WEEKDAY_NAMES R"re()\.?\sto\s)()re" QV_WEEKDAYS
                              R"re()\b\.?)re")),
         &weekdays()},
        {Regex(QStringLiteral(
             R"re(\b()re" QV_WEEKDAYS
             R"re()\b\.?(?=,?\s+(?:(?:January|February|March|April|May|June|July|August|September|October|November|December)|\d)|\s+to\s+(?:)re" QV_WEEKDAYS
             "|" QV_WEEKDAY_NAMES R"re()\b))re")),
         &weekdays()},
    };
    return passes;
}

// Group 1 of each match looked up in `names`; a period right after a replaced
// abbreviation goes when a number or a lower-case letter follows it.
QString replaceFromTable(const QString& text, const Regex& pattern, const QHash<QString, QString>& names) {
    if (!pattern.isValid())
        return text;
    QString out;
    qsizetype cursor = 0;
    for (const Regex::Match& match : pattern.allMatches(text)) {
        if (!match.hasGroup(1))
            continue;
        const auto entry = names.constFind(match.captured(1).toLower());
        if (entry == names.cend())
            continue;
        const Regex::Match::Group group = match.groups[1];
        if (group.start < cursor)
            continue;
        out += QStringView(text).mid(cursor, group.start - cursor);
        out += *entry;
        cursor = group.start + group.length;
        if (cursor < text.size() && text[cursor] == u'.') {
            qsizetype next = cursor + 1;
            while (next < text.size() && text[next] == u' ')
                ++next;
            if (next < text.size() && (text[next].isNumber() || text[next].isLower()))
                ++cursor;
        }
    }
    out += QStringView(text).mid(cursor);
    return out;
}

QString applyAddressRule(const QString& text, const AddressRule& rule) {
    if (!rule.pattern.isValid())
        return text;
    QString out;
    qsizetype cursor = 0;
    for (const Regex::Match& match : rule.pattern.allMatches(text)) {
        if (!match.hasGroup(2))
            continue;
        out += QStringView(text).mid(cursor, match.groups[2].start - cursor);
        out += rule.expansion;
        cursor = match.end();
        const bool afterWord = match.hasGroup(1) && match.groups[1].length > 0;
        if (!afterWord || !match.hasGroup(3))
            continue;
        qsizetype next = cursor;
        while (next < text.size() && text[next] == u' ')
            ++next;
        const bool lineBreakNext = cursor < text.size() && (text[cursor] == u'\n' || text[cursor] == u'\r');
        if (next >= text.size() || text[next].isUpper() || lineBreakNext)
            out += u'.';
    }
    out += QStringView(text).mid(cursor);
    return out;
}

bool isRomance(const QString& language) {
    const QString base = language.section(u'-', 0, 0).toLower();
    return base == QLatin1String("es") || base == QLatin1String("fr") || base == QLatin1String("it")
           || base == QLatin1String("pt");
}

// The English readings apply to everything but text confidently in one of
// the Romance languages the engine speaks.
bool isEnglishRoad(const QString& text, const LanguageOf& languageOf) {
    if (!languageOf)
        return true;
    const std::optional<QString> language = languageOf(text);
    return !language || !isRomance(*language);
}

} // namespace

QString normalizeTypography(const QString& text) {
    QString out = text;
    out.replace(QChar(0x2019), u'\'');
    out.replace(QChar(0x2018), u'\'');
    out.replace(QChar(0x02BC), u'\'');
    out.replace(QChar(0x201C), u'"');
    out.replace(QChar(0x201D), u'"');
    out.replace(QChar(0x2026), QStringLiteral("..."));
    out.replace(QChar(0x00A0), u' ');
    return out;
}

QString readRanges(const QString& text) {
    // Between numbers only an en dash makes a range: a hyphen there is as
    // often a phone number or a code. Between weekdays or months, written
    // short or whole, either does.
    static const Regex numbers(QStringLiteral(R"re((?<=\d)\s?\x{2013}\s?(?=[$€£]?\d))re"));
    static const Regex days(QStringLiteral(R"re(\b()re" QV_WEEKDAYS "|" QV_WEEKDAY_NAMES
                                           R"re()(\.?)\s?[-\x{2013}]\s?()re" QV_WEEKDAYS "|" QV_WEEKDAY_NAMES
                                           R"re()\b)re"));
    static const Regex months(QStringLiteral(R"re(\b()re" QV_MONTHS "|" QV_MONTH_NAMES
                                             R"re()(\.?)\s?[-\x{2013}]\s?()re" QV_MONTHS "|" QV_MONTH_NAMES
                                             R"re()\b)re"));
    const QString between = QStringLiteral("$1$2 to $3");
    return months.replace(days.replace(numbers.replace(text, QStringLiteral(" to ")), between), between);
}

QString expandApproximations(const QString& text) {
    static const Regex tilde(QStringLiteral(R"re(~\s?(?=[\d$€£.]))re"));
    static const Regex approx(QStringLiteral(R"re(\b([Aa])pprox\.(?=\s))re"));
    return approx.replace(tilde.replace(text, QStringLiteral("about ")), QStringLiteral("$1pproximately"));
}

QString expandDates(const QString& text) {
    QString out = text;
    for (const DatePass& pass : datePasses())
        out = replaceFromTable(out, pass.pattern, *pass.names);
    return out;
}

QString expandMoney(const QString& text) {
    static const Regex money(
        // The scale is a word of its own: "$15 T-shirt" keeps its T.
        QStringLiteral(
            R"re(([$€£])\s?(\d+(?:[.,]\d+)*)\s?(K|k|M|MM|mm|Mn|mn|B|bn|Bn|BN|T|tn|Tn)\b(?![-\x{2010}'\x{2019}]\p{L}))re"));
    static const QHash<QString, QString> scale = {
        {QStringLiteral("k"), QStringLiteral("thousand")}, {QStringLiteral("m"), QStringLiteral("million")},
        {QStringLiteral("mm"), QStringLiteral("million")}, {QStringLiteral("mn"), QStringLiteral("million")},
        {QStringLiteral("b"), QStringLiteral("billion")},  {QStringLiteral("bn"), QStringLiteral("billion")},
        {QStringLiteral("t"), QStringLiteral("trillion")}, {QStringLiteral("tn"), QStringLiteral("trillion")},
    };
    return money.replace(text, [](const Regex::Match& match) {
        return match.captured(1) + match.captured(2) + u' ' + scale.value(match.captured(3).toLower());
    });
}

QString expandAddresses(const QString& text, const LanguageOf& languageOf) {
    if (!isEnglishRoad(text, languageOf))
        return text;
    QString out = expandMoney(expandDates(expandApproximations(text)));
    for (const AddressRule& rule : addressRules())
        out = applyAddressRule(out, rule);
    return out;
}

QString markHomographs(const QString& text) {
    QString out = text;
    for (const Homograph& row : homographs()) {
        if (!row.pattern.isValid())
            continue;
        QString next;
        qsizetype cursor = 0;
        for (const Regex::Match& match : row.pattern.allMatches(out)) {
            if (!match.hasGroup(1))
                continue;
            next += QStringView(out).mid(cursor, match.groups[1].start - cursor);
            next += row.replacement;
            cursor = match.groups[1].start + match.groups[1].length;
        }
        next += QStringView(out).mid(cursor);
        out = next;
    }
    return out;
}

QString applyPronunciations(const QString& text, const QList<ReadAloudEntry>& entries, const LanguageOf& languageOf) {
    QString out = normalizeTypography(text);
    out = ReadAloudStore::apply(out, entries);
    out = expandAddresses(out, languageOf);
    return markHomographs(out);
}

QString prepare(const QString& text, const QList<ReadAloudEntry>& entries, const LanguageOf& languageOf) {
    // Ranges are read before the post-processing, which takes a lone dash
    // for a pause.
    return applyPronunciations(TextCleanup::postProcess(isEnglishRoad(text, languageOf) ? readRanges(text) : text),
                               entries, languageOf);
}

QString prepare(const QString& text, const ReadAloudStore* readings) {
    return prepare(text, readings ? readings->entries() : QList<ReadAloudEntry>(), &ReaderLanguage::confidentLanguage);
}

QString respellBrand(const QString& text, const QString& voice) {
    static const QHash<QString, QString> respellings = {{QStringLiteral("e"), QStringLiteral("Kuorvein")}};
    static const Regex brand(QStringLiteral("\\bQuorvane\\b"), Regex::CaseInsensitive);
    const auto respelling = respellings.constFind(voice.left(1));
    if (respelling == respellings.cend() || !brand.isValid())
        return text;
    return brand.replace(text, *respelling);
}

} // namespace SpeechPreparation
