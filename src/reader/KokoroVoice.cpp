#include "reader/KokoroVoice.h"

#include "support/Defaults.h"

#include <QStringList>

namespace {

const QString kVoiceKey = QStringLiteral("readerVoice");
const QString kLanguageLetters = QStringLiteral("abefip");

QList<KokoroVoice> startingWith(QChar letter) {
    QList<KokoroVoice> voices;
    for (const KokoroVoice& voice : KokoroVoice::all())
        if (voice.id.startsWith(letter))
            voices << voice;
    return voices;
}

} // namespace

const QList<KokoroVoice>& KokoroVoice::all() {
    static const QList<KokoroVoice> voices = {
        {QStringLiteral("af_heart"), QStringLiteral("Wren"), QStringLiteral("American, warm (default)")},
        {QStringLiteral("af_bella"), QStringLiteral("Lark"), QStringLiteral("American, bright")},
        {QStringLiteral("af_sarah"), QStringLiteral("Hazel"), QStringLiteral("American, even")},
        {QStringLiteral("af_nicole"), QStringLiteral("Iris"), QStringLiteral("American, soft")},
        {QStringLiteral("af_sky"), QStringLiteral("Fern"), QStringLiteral("American, light")},
        {QStringLiteral("af_nova"), QStringLiteral("Juniper"), QStringLiteral("American, clear")},
        {QStringLiteral("af_river"), QStringLiteral("Willow"), QStringLiteral("American, calm")},
        {QStringLiteral("am_adam"), QStringLiteral("Cedar"), QStringLiteral("American, deep")},
        {QStringLiteral("am_michael"), QStringLiteral("Ash"), QStringLiteral("American, steady")},
        {QStringLiteral("bf_emma"), QStringLiteral("Ivy"), QStringLiteral("British")},
        {QStringLiteral("bf_isabella"), QStringLiteral("Briar"), QStringLiteral("British")},
        {QStringLiteral("bm_george"), QStringLiteral("Reed"), QStringLiteral("British")},
        {QStringLiteral("bm_lewis"), QStringLiteral("Jac"), QStringLiteral("British")},
        {QStringLiteral("ef_dora"), QStringLiteral("Paloma"), QStringLiteral("Spanish")},
        {QStringLiteral("em_alex"), QStringLiteral("Mateo"), QStringLiteral("Spanish")},
        {QStringLiteral("em_santa"), QStringLiteral("Diego"), QStringLiteral("Spanish")},
        {QStringLiteral("ff_siwis"), QStringLiteral("Colette"), QStringLiteral("French")},
        {QStringLiteral("if_sara"), QStringLiteral("Livia"), QStringLiteral("Italian")},
        {QStringLiteral("im_nicola"), QStringLiteral("Enzo"), QStringLiteral("Italian")},
        {QStringLiteral("pf_dora"), QStringLiteral("Lara"), QStringLiteral("Portuguese")},
        {QStringLiteral("pm_alex"), QStringLiteral("Tiago"), QStringLiteral("Portuguese")},
    };
    return voices;
}

QString KokoroVoice::selectedID(const Defaults& defaults) {
    const QString stored = defaults.stringOr(kVoiceKey, all().first().id);
    for (const KokoroVoice& voice : all())
        if (voice.id == stored)
            return stored;
    return all().first().id;
}

QString KokoroVoice::selectedID() { return selectedID(Defaults::shared()); }

KokoroVoice KokoroVoice::named(const QString& id) {
    for (const KokoroVoice& voice : all())
        if (voice.id == id)
            return voice;
    return all().first();
}

QString KokoroVoice::glyph() const {
    static const QStringList birds = {QStringLiteral("Wren"), QStringLiteral("Lark"), QStringLiteral("Paloma")};
    static const QStringList trees = {QStringLiteral("Cedar"), QStringLiteral("Juniper"), QStringLiteral("Willow"),
                                      QStringLiteral("Ash"), QStringLiteral("Hazel")};
    static const QStringList leaves = {QStringLiteral("Iris"), QStringLiteral("Fern"), QStringLiteral("Ivy"),
                                       QStringLiteral("Briar"), QStringLiteral("Reed")};
    if (birds.contains(name))
        return QStringLiteral("bird.fill");
    if (trees.contains(name))
        return QStringLiteral("tree.fill");
    if (leaves.contains(name))
        return QStringLiteral("leaf.fill");
    return QStringLiteral("person.wave.2.fill");
}

QString KokoroVoice::shortFlavor() const {
    // Removed in this order: "American, " before "American" keeps its comma out.
    static const QStringList removed = {QStringLiteral("American, "), QStringLiteral("American"),
                                        QStringLiteral("British"),    QStringLiteral("Spanish"),
                                        QStringLiteral("French"),     QStringLiteral("Italian"),
                                        QStringLiteral("Portuguese"), QStringLiteral(" (default)")};
    QString text = flavor;
    for (const QString& part : removed)
        text.remove(part);
    auto trimmable = [](QChar c) { return c == u' ' || c == u','; };
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && trimmable(text[start]))
        ++start;
    while (end > start && trimmable(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

QList<KokoroVoice> KokoroVoice::american() { return startingWith(u'a'); }
QList<KokoroVoice> KokoroVoice::british() { return startingWith(u'b'); }
QList<KokoroVoice> KokoroVoice::spanish() { return startingWith(u'e'); }
QList<KokoroVoice> KokoroVoice::french() { return startingWith(u'f'); }
QList<KokoroVoice> KokoroVoice::italian() { return startingWith(u'i'); }
QList<KokoroVoice> KokoroVoice::portuguese() { return startingWith(u'p'); }

QString KokoroVoice::languageCode(const QString& voiceId) {
    if (!voiceId.isEmpty() && kLanguageLetters.contains(voiceId.front()))
        return QString(voiceId.front());
    return QStringLiteral("a");
}
