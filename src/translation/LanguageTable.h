#pragma once

#include <QFuture>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// Which languages Quorvane can write down from speech (Talk), read aloud (Read)
// and translate into (Translate). Read counts the own voices and the desktop's
// speech voices, which are looked at once per process, off the GUI thread;
// Translate counts the languages an installed pair translates into, as the
// translation catalogue last found them. GUI thread only.
namespace LanguageTable {

struct Row {
    QString id;
    QString name;
    bool talk = false;
    bool read = false;
    bool translate = false;
    bool ownVoice = false;
    bool complete() const { return talk && read && translate; }
    bool operator==(const Row&) const = default;
};

const QStringList& talkLanguages();
const QStringList& ownVoiceLanguages();

// The base codes the desktop's voices speak, among the table's languages;
// asked of the system speech once per process, on a worker thread.
QFuture<QSet<QString>> voiceLanguages();
// Whether `code` is read aloud with `voices` as the desktop's voice languages.
bool canRead(const QString& code, const QSet<QString>& voices);
// Every language of the table, once each, in no particular order.
QStringList allCodes();

// The rows: complete rows first, each block in plain name order. `translatedInto`
// holds the languages an installed pair translates into.
QList<Row> build(const QSet<QString>& voices, const QStringList& translatedInto);
qsizetype completeCount(const QList<Row>& rows);

} // namespace LanguageTable
