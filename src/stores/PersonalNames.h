#pragma once

#include <QString>
#include <QStringList>

// Lets the words of the user's own full name count as vocabulary without being
// typed into the dictionary: they are added wherever the dictionary's words steer
// recognition or correction, unless the "useAccountName" setting is off.
namespace PersonalNames {

// The "useAccountName" setting; absent or not a Boolean counts as on.
bool enabled();
// The name words of a full name: pieces between blanks and punctuation that are
// at least four characters long, each once (ignoring case), in order.
QStringList names(const QString& fullName);
// `words` followed by the account's name words that are not already among them
// (ignoring case). The account's full name is read anew at each call.
QStringList merged(const QStringList& words);

} // namespace PersonalNames
