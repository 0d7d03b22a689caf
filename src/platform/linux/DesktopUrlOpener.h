#pragma once

#include "platform/UrlOpener.h"

// Opens addresses with the desktop's default handlers (xdg-open underneath).
class DesktopUrlOpener : public UrlOpener {
public:
    bool open(const QUrl& url) override;
};
