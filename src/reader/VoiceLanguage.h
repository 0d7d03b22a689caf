#pragma once

#include "reader/KokoroVoice.h"

#include <QList>
#include <QString>
#include <QStringList>

// One language of the voice picker: its letter (the first letter of its
// voices' ids), the flags its chip shows, its name and its voices. Spanish is
// spoken in too many countries for a row of flags and shows a mosaic instead.
// Pure value.
struct VoiceLanguage {
    QString id;
    // Flag emoji, each two regional-indicator symbols; empty for a mosaic.
    QStringList flags;
    QString label;
    QList<KokoroVoice> voices;
    bool mosaic = false;

    // The two-letter tag under the chip: US, UK (not GB), ES, FR, IT, PT;
    // any other id in upper case.
    QString code() const;

    // The six languages in picker order, built anew at each call.
    static QList<VoiceLanguage> all();
    // The first language whose id begins `voiceId`, else American.
    static VoiceLanguage containing(const QString& voiceId);
    // The index of the language with this id in all(), or -1.
    static qsizetype indexOf(const QString& id);
};
