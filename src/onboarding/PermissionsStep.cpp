#include "onboarding/PermissionsStep.h"

#include "onboarding/OnbBody.h"
#include "onboarding/OnbStyle.h"
#include "onboarding/OnbSymbol.h"
#include "onboarding/OnbTitle.h"
#include "onboarding/PermissionRow.h"
#include "platform/Wording.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
constexpr int kSpacing = 16;
constexpr int kRowsWidth = 430;
} // namespace

PermissionsStep::PermissionsStep(std::function<void()> requestMic, std::function<void()> requestAX, QWidget* parent)
    : QWidget(parent), m_requestMic(std::move(requestMic)), m_requestAX(std::move(requestAX)) {
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(kSpacing);
    m_layout->setAlignment(Qt::AlignHCenter);
    setGranted(false, false);
}

QString PermissionsStep::title() const { return m_title ? m_title->text() : QString(); }

void PermissionsStep::setGranted(bool mic, bool ax) {
    // The page is drawn afresh into a new content widget each time.
    delete m_content;
    m_content = new QWidget(this);
    auto* content = new QVBoxLayout(m_content);
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(kSpacing);
    const bool all = mic && ax;
    m_symbol = new OnbSymbol(all ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("lock.open"), 44,
                             all ? OnbStyle::green(palette()) : OnbStyle::accent(palette()), m_content);
    m_title = new OnbTitle(all ? QStringLiteral("All set") : QStringLiteral("Two permissions"), m_content);
    auto* body = new OnbBody(
        Wording::of(QStringLiteral(
            "macOS asks before any app can hear you or type for you. Quorvane needs both, and nothing else.")),
        m_content);
    m_rows = new QWidget(m_content);
    m_rows->setMaximumWidth(kRowsWidth);
    auto* rows = new QVBoxLayout(m_rows);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);
    m_mic = new PermissionRow(
        QStringLiteral("mic.fill"), QStringLiteral("Microphone"),
        QStringLiteral("Live only while you are dictating. The card on screen always shows when it is."), mic,
        QStringLiteral("Allow"), m_requestMic, m_rows);
    m_ax = new PermissionRow(
        QStringLiteral("keyboard.fill"), QStringLiteral("Typing into other apps"),
        Wording::of(QStringLiteral("What lets your words land in Mail, Safari, or wherever you were working.")), ax,
        QStringLiteral("Open Settings"), m_requestAX, m_rows);
    rows->addWidget(m_mic);
    rows->addWidget(m_ax);
    content->addWidget(m_symbol, 0, Qt::AlignHCenter);
    content->addWidget(m_title);
    content->addWidget(body);
    // Centred between stretches rather than by alignment, so that the page
    // asks for the height the rows need at their own width.
    auto* centred = new QHBoxLayout;
    centred->addStretch(1);
    centred->addWidget(m_rows);
    centred->addStretch(1);
    content->addLayout(centred);
    m_rows->setMinimumWidth(kRowsWidth);
    m_layout->insertWidget(0, m_content);
    m_content->show();
    m_layout->activate();
}
