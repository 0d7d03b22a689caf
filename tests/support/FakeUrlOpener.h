#pragma once

#include "platform/UrlOpener.h"

#include <QList>
#include <QUrl>

// Records the addresses it is asked to open; `accepts` decides the answer.
class FakeUrlOpener : public UrlOpener {
public:
    bool open(const QUrl& url) override {
        opened.append(url);
        return accepts;
    }

    bool accepts = true;
    QList<QUrl> opened;
};
