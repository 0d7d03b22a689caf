// GLib headers first: they use the name "signals", which Qt defines as a macro.
#include <atspi/atspi.h>

#include "platform/linux/AtspiAccessibility.h"

#include "platform/Workspace.h"
#include "platform/linux/AtspiBus.h"
#include "platform/linux/AtspiCalls.h"
#include "platform/linux/AtspiCaretRead.h"
#include "platform/linux/AtspiFlag.h"
#include "platform/linux/AtspiFocusEvents.h"
#include "platform/linux/AtspiFocusWalk.h"
#include "platform/linux/AtspiLastFocused.h"
#include "platform/linux/AtspiSelectionRectRead.h"
#include "platform/linux/AtspiTextOffsets.h"

#include <QCoreApplication>

AtspiAccessibility::AtspiAccessibility(Workspace* workspace, const QDBusConnection& bus,
                                       std::chrono::milliseconds walkSlice)
    : m_workspace(workspace), m_flag(std::make_unique<AtspiFlag>(bus)), m_offsets(std::make_shared<AtspiTextOffsets>()),
      m_focusEvents(std::make_unique<AtspiFocusEvents>(
          [this](AtspiAccessible* gained) { m_heard = std::make_unique<AtspiLastFocused>(gained); })),
      m_accessibilityBus(std::make_unique<AtspiBus>(bus)), m_walkSlice(walkSlice) {
    m_walkTurn.setSingleShot(true);
    m_walkTurn.setInterval(0);
    connect(&m_walkTurn, &QTimer::timeout, this, [this] {
        if (m_walk)
            walkOn();
    });
}

AtspiAccessibility::~AtspiAccessibility() = default;

bool AtspiAccessibility::isTrusted() { return m_flag->isOn(); }

void AtspiAccessibility::requestTrust(std::function<void(bool on)> answered) { m_flag->turnOn(std::move(answered)); }

// Kept apart until now: a call into the library may deliver events while
// it waits, and the element in use must not be let go meanwhile.
void AtspiAccessibility::takeHeardFocus() {
    if (m_heard)
        m_lastFocused = std::move(m_heard);
}

std::unique_ptr<PendingCaretSlice> AtspiAccessibility::readCaretAhead(qint64 before, qint64 after) {
    takeHeardFocus();
    const std::optional<QDBusConnection>& bus = m_accessibilityBus->connection();
    if (!bus || !m_lastFocused || !m_workspace)
        return nullptr;
    const std::optional<Workspace::Application> front = m_workspace->frontmostApplication();
    if (!front || front->pid == QCoreApplication::applicationPid() || !m_lastFocused->belongsTo(front->pid)
        || !*m_lastFocused->utf16)
        return nullptr;
    const std::optional<AtspiCalls::Address> address = AtspiCalls::addressOf(m_lastFocused->node);
    if (!address)
        return nullptr;
    return std::make_unique<AtspiCaretRead>(*bus, address->service, address->path, m_lastFocused->pid, m_workspace,
                                            before, after);
}

void AtspiAccessibility::readSelectionRect(std::function<void(std::optional<QRect> rect)> answered) {
    takeHeardFocus();
    const std::optional<Workspace::Application> front =
        m_workspace ? m_workspace->frontmostApplication() : std::nullopt;
    const std::optional<QDBusConnection>& bus = m_accessibilityBus->connection();
    const std::optional<AtspiCalls::Address> address =
        m_lastFocused ? AtspiCalls::addressOf(m_lastFocused->node) : std::nullopt;
    if (!bus || !address || !front || front->pid == QCoreApplication::applicationPid()
        || !m_lastFocused->inProcess(front->pid)) {
        answered(std::nullopt);
        return;
    }
    new AtspiSelectionRectRead(*bus, address->service, address->path, std::move(answered), this);
}
