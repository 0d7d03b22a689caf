#pragma once

#include "platform/Announcer.h"

#include <QList>
#include <QPointer>
#include <QWindow>

// Records announcements instead of speaking them.
class FakeAnnouncer : public Announcer {
public:
    struct Announcement {
        QString text;
        Priority priority;
        QWindow* window;
    };

    void announce(const QString& text, Priority priority, QWindow* window) override {
        announcements.append({text, priority, window});
    }

    QList<Announcement> announcements;
};
