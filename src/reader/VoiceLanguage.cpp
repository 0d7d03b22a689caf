#include "reader/VoiceLanguage.h"

namespace {

// A flag emoji from a two-letter region code.
QString flag(const char code[3]) {
    constexpr char32_t kRegionalIndicatorA = 0x1F1E6;
    const char32_t pair[2] = {kRegionalIndicatorA + char32_t(code[0] - 'A'),
                              kRegionalIndicatorA + char32_t(code[1] - 'A')};
    return QString::fromUcs4(pair, 2);
}

} // namespace

QString VoiceLanguage::code() const {
    static const QList<std::pair<QString, QString>> codes = {
        {QStringLiteral("a"), QStringLiteral("US")}, {QStringLiteral("b"), QStringLiteral("UK")},
        {QStringLiteral("e"), QStringLiteral("ES")}, {QStringLiteral("f"), QStringLiteral("FR")},
        {QStringLiteral("i"), QStringLiteral("IT")}, {QStringLiteral("p"), QStringLiteral("PT")},
    };
    for (const auto& [letter, tag] : codes)
        if (letter == id)
            return tag;
    return id.toUpper();
}

QList<VoiceLanguage> VoiceLanguage::all() {
    return {
        {QStringLiteral("a"), {flag("US")}, QStringLiteral("American"), KokoroVoice::american(), false},
        {QStringLiteral("b"), {flag("GB")}, QStringLiteral("British"), KokoroVoice::british(), false},
        {QStringLiteral("e"), {}, QStringLiteral("Spanish"), KokoroVoice::spanish(), true},
        {QStringLiteral("f"), {flag("FR")}, QStringLiteral("French"), KokoroVoice::french(), false},
        {QStringLiteral("i"), {flag("IT")}, QStringLiteral("Italian"), KokoroVoice::italian(), false},
        {QStringLiteral("p"), {flag("BR"), flag("PT")}, QStringLiteral("Portuguese"), KokoroVoice::portuguese(), false},
    };
}

VoiceLanguage VoiceLanguage::containing(const QString& voiceId) {
    const QList<VoiceLanguage> languages = all();
    for (const VoiceLanguage& language : languages)
        if (voiceId.startsWith(language.id))
            return language;
    return languages.first();
}

qsizetype VoiceLanguage::indexOf(const QString& id) {
    const QList<VoiceLanguage> languages = all();
    for (qsizetype i = 0; i < languages.size(); ++i)
        if (languages[i].id == id)
            return i;
    return -1;
}
