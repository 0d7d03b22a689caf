#pragma once

#include <QString>

// E-mail addresses and web site names dictated as words, written out. The text
// is read word by word, once: the time grows with its length and nothing more.
// Pure functions; any thread.
namespace SpokenAddresses {

// "my email is john dot smith at gmail dot com" → "my email is john.smith@gmail.com".
// "at" becomes "@" only with evidence that an address was meant: a spoken mark
// ("dot", "underscore", "dash") in the mailbox, or a cue before it ("email",
// "address", "contact", "send it to", "reach me at", …), or a known mail
// provider's whole domain after a name with a number or after words that open a
// sentence ("tom one two three at gmail dot com is the new one"). A number alone
// is no evidence: "we sold twenty five at acme dot com" and "I bought 24 at
// example.com" stay. A provider spoken without its domain ("at gmail") needs the
// cue, and must end the address: the text ends, a mark or a word that starts a
// new phrase follows ("send the tickets to people at live events" stays). Number
// words in the mailbox are written as digits; the address is lower case.
// Everything else is left as it was ("we worked at yahoo").
QString writeEmailAddresses(const QString& text);

// "go to example dot com" → "go to example.com": a domain spoken after a cue
// ("go to", "visit", "check out", "the website is", …) or starting with "www".
QString writeSiteNames(const QString& text);

} // namespace SpokenAddresses
