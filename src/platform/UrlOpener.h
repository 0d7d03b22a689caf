#pragma once

class QUrl;

// Hands an address to the desktop: a web page to the default browser, a
// "mailto:" address to the default mail program. GUI thread.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // False when no program took the address.
    virtual bool open(const QUrl& url) = 0;
};
