#pragma once

#include <QList>
#include <QString>

class Defaults;

// One reading voice of the speech engine. Its id is what the engine is sent;
// the id's first letter names the voice's language ("a" American English,
// "b" British English, "e" Spanish, "f" French, "i" Italian, "p" Portuguese).
// Every reader and picker reads voices only through here. Pure, any thread
// (selectedID reads the settings and so belongs to the GUI thread).
struct KokoroVoice {
    QString id;
    QString name;
    QString flavor;

    bool operator==(const KokoroVoice&) const = default;

    // The symbol the voice picker shows for this voice, chosen by its name.
    QString glyph() const;
    // The flavor without its language and "(default)": "American, warm
    // (default)" gives "warm"; a flavor that is only a language gives "".
    QString shortFlavor() const;

    // The 21 voices in display order; the first is the default voice.
    static const QList<KokoroVoice>& all();
    // "readerVoice" when it names a voice of the table, else "af_heart". Never
    // rewrites the setting.
    static QString selectedID(const Defaults& defaults);
    static QString selectedID();
    // The voice with exactly this id, else the first voice of the table.
    static KokoroVoice named(const QString& id);

    static QList<KokoroVoice> american();
    static QList<KokoroVoice> british();
    static QList<KokoroVoice> spanish();
    static QList<KokoroVoice> french();
    static QList<KokoroVoice> italian();
    static QList<KokoroVoice> portuguese();

    // The language letter a synthesis request carries for a voice: the id's
    // first letter when it is one of a, b, e, f, i, p, else "a".
    static QString languageCode(const QString& voiceId);
};
