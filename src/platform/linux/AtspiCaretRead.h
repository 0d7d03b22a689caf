#pragma once

#include "platform/Accessibility.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QString>

class Workspace;

// A read of a text element's caret, begun with every question that does not
// depend on another's answer in flight at once on the accessibility bus: its
// state, its selections, its caret and its length. Taking it asks for the text
// slice only. For toolkits that count offsets in UTF-16 units (Qt).
class AtspiCaretRead : public PendingCaretSlice {
public:
    // The element at `path` of the application `service` (process `pid`),
    // which is the answer only while that application is in front.
    AtspiCaretRead(const QDBusConnection& bus, const QString& service, const QString& path, qint64 pid,
                   Workspace* workspace, qint64 before, qint64 after);

    std::optional<CaretSlice> take() override;

private:
    QDBusPendingCall ask(const QString& interface, const QString& method, const QVariantList& arguments = {}) const;
    QDBusPendingCall property(const QString& name) const;

    QDBusConnection m_bus;
    QString m_service;
    QString m_path;
    qint64 m_pid;
    Workspace* m_workspace;
    qint64 m_before;
    qint64 m_after;
    QDBusPendingCall m_state;
    QDBusPendingCall m_selections;
    QDBusPendingCall m_firstSelection;
    QDBusPendingCall m_caret;
    QDBusPendingCall m_length;
};
