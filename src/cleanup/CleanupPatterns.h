#pragma once

#include "support/Regex.h"

#include <QList>
#include <QPair>
#include <QString>

// The clean-up's veiled patterns, unveiled and compiled once each on first use,
// with the options they are used with.
namespace CleanupPatterns {

// Rule passes.
const Regex& fillers();
const Regex& blankRuns();
const Regex& spaceBeforeMark();
const Regex& doubleBlanks();
const Regex& stutters();

// Spoken addresses and site names.
const Regex& spokenDot();
const Regex& spokenUnderscore();
const Regex& spokenDash();
const Regex& spokenAt();
const Regex& topLevelDomain();
const Regex& objectPronoun();
const Regex& addressCue();
const Regex& siteCue();
const Regex& webPrefix();

// Model-output guards.
const Regex& structuredData();
const Regex& structuredProse();
const Regex& thinkingBlock();
const Regex& assistantMarker();
const Regex& codeFences();
const Regex& sequenceTokens();
const Regex& modelRemarks();
const QList<Regex>& labels();

// Every pattern above with its name.
QList<QPair<QString, Regex>> all();

} // namespace CleanupPatterns
