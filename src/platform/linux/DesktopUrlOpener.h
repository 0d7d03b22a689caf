#pragma once

#include "platform/UrlOpener.h"

// Opens addresses with the desktop's default handlers: files and web pages
// through xdg-open, every other scheme through the program the desktop names
// for it, so an address no program handles is refused at once.
class DesktopUrlOpener : public UrlOpener {
public:
    bool open(const QUrl& url) override;
};
