#pragma once

#include "reader/ReadAloudEntry.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class ReadAloudStore;

// The one pass that makes text ready for the speech engine: plain typography,
// the user's pronunciation list, English abbreviations written out (unless the
// text is confidently Spanish, French, Italian or Portuguese) and a few English
// homographs marked up as "[word](/phonemes/)" for the engine's front end. The
// patterns are compiled once. Pure apart from the language detector; GUI thread.
namespace SpeechPreparation {

// The language of a text, or nothing when unsure.
using LanguageOf = std::function<std::optional<QString>(const QString& text)>;

// What the reader hands the speech engine for a text as the user has it:
// the post-processing of dictated text, then the pass below, with the
// pronunciation list of `readings` (none without) and the reader's confident
// language.
QString prepare(const QString& text, const ReadAloudStore* readings);
QString prepare(const QString& text, const QList<ReadAloudEntry>& entries, const LanguageOf& languageOf);

// The whole pass.
QString applyPronunciations(const QString& text, const QList<ReadAloudEntry>& entries, const LanguageOf& languageOf);

QString normalizeTypography(const QString& text);
// "9–5", "Mon–Fri" and "Jan–March" read as "9 to 5", "Mon to Fri" and
// "Jan to March".
QString readRanges(const QString& text);
// The English expansions and address rules, skipped as a whole for text in
// one of the four Romance languages the engine speaks.
QString expandAddresses(const QString& text, const LanguageOf& languageOf);
QString expandApproximations(const QString& text);
QString expandDates(const QString& text);
QString expandMoney(const QString& text);
QString markHomographs(const QString& text);

// The product's name respelled for the voices that misread it, chosen by the
// voice's language letter; other voices get `text` as it is.
QString respellBrand(const QString& text, const QString& voice);

} // namespace SpeechPreparation
