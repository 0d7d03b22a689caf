#include "onboarding/OnboardingView.h"

#include "onboarding/EngineStep.h"
#include "onboarding/FirstWordsStep.h"
#include "onboarding/GiftLines.h"
#include "onboarding/KeyboardGuide.h"
#include "onboarding/LanguageStep.h"
#include "onboarding/MoveStep.h"
#include "onboarding/OnbDots.h"
#include "onboarding/OnbStyle.h"
#include "onboarding/PermissionsStep.h"
#include "onboarding/WelcomeStep.h"
#include "platform/PermissionProvider.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {
constexpr int kTopSpace = 24;
constexpr int kMinTopSpace = 4;
constexpr int kPrimaryMinWidth = 120;
constexpr int kPrimaryPadding = 20;
constexpr int kMinFooterBottom = 10;
constexpr int kContentWidth = 480;
constexpr int kFooterSpacing = 14;
constexpr int kFooterSides = 34;
constexpr int kFooterBottom = 24;
} // namespace

OnboardingView::OnboardingView(OnboardingServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    m_step = m_services.offerMove && m_services.offerMove() ? OnboardingStep::Move : OnboardingStep::Welcome;
    if (PermissionProvider* permissions = m_services.permissions) {
        m_micGranted = permissions->microphoneGranted();
        m_axGranted = permissions->accessibilityGranted();
    }
    setFixedSize(kSize);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_topSpace = new QSpacerItem(0, kTopSpace, QSizePolicy::Minimum, QSizePolicy::Fixed);
    layout->addSpacerItem(m_topSpace);
    m_pageHolder = new QVBoxLayout;
    m_pageHolder->setContentsMargins((kSize.width() - kContentWidth) / 2, 0, (kSize.width() - kContentWidth) / 2, 0);
    layout->addLayout(m_pageHolder);
    layout->addStretch(1);

    auto* footer = new QVBoxLayout;
    footer->setSpacing(kFooterSpacing);
    m_dots = new OnbDots(0, 0, this);
    footer->addWidget(m_dots, 0, Qt::AlignHCenter);
    auto* buttons = new QHBoxLayout;
    m_buttons = buttons;
    buttons->setContentsMargins(kFooterSides, 0, kFooterSides, kFooterBottom);
    m_back = new QPushButton(QStringLiteral("Back"), this);
    m_back->setFlat(true);
    OnbStyle::setForeground(*m_back, OnbStyle::secondary(palette()));
    m_primary = new QPushButton(this);
    m_primary->setDefault(true);
    m_primary->setMinimumHeight(32);
    buttons->addWidget(m_back);
    buttons->addStretch(1);
    buttons->addWidget(m_primary);
    footer->addLayout(buttons);
    layout->addLayout(footer);

    connect(m_back, &QPushButton::clicked, this, &OnboardingView::back);
    connect(m_primary, &QPushButton::clicked, this, &OnboardingView::primary);
    rebuildPage();
}

OnboardingView::~OnboardingView() { stopPolling(); }

QList<OnboardingStep> OnboardingView::steps() const {
    return OnboardingSteps::list(m_services.offerMove && m_services.offerMove(),
                                 m_services.catalog && m_services.translationAvailable
                                     && m_services.translationAvailable());
}

void OnboardingView::setStep(OnboardingStep step) {
    if (step == m_step)
        return refreshFooter();
    m_step = step;
    rebuildPage();
}

void OnboardingView::back() { setStep(OnboardingSteps::back(steps(), m_step)); }

void OnboardingView::primary() {
    if (const std::optional<OnboardingStep> next = OnboardingSteps::next(steps(), m_step))
        setStep(*next);
    else
        emit finished();
}

void OnboardingView::refreshFooter() {
    const QList<OnboardingStep> list = steps();
    const int p = OnboardingSteps::position(list, m_step);
    m_dots->set(int(list.size()), p);
    m_back->setVisible(list.indexOf(m_step) > 0);
    m_primary->setText(p == list.size() - 1 ? QStringLiteral("Start using Quorvane") : QStringLiteral("Continue"));
    m_primary->setMinimumWidth(std::max(kPrimaryMinWidth, m_primary->fontMetrics().horizontalAdvance(m_primary->text())
                                                              + 2 * kPrimaryPadding));
}

void OnboardingView::rebuildPage() {
    if (m_page) {
        m_pageHolder->removeWidget(m_page);
        delete m_page;
        m_page = nullptr;
    }
    QWidget* page = nullptr;
    switch (m_step) {
    case OnboardingStep::Move:
        page = new MoveStep(m_services, this);
        break;
    case OnboardingStep::Welcome:
        page = new WelcomeStep(*m_services.defaults, this);
        break;
    case OnboardingStep::Speaking:
        page = new KeyboardGuide(KeyboardGuide::Topic::Speaking, true, *m_services.defaults, this);
        break;
    case OnboardingStep::Reading:
        page = new KeyboardGuide(KeyboardGuide::Topic::Reading, true, *m_services.defaults, this);
        break;
    case OnboardingStep::Engine:
        page = new EngineStep(*m_services.bootstrap, this);
        break;
    case OnboardingStep::Permissions: {
        auto* permissions = new PermissionsStep([this] { requestMic(); }, [this] { requestAX(); }, this);
        permissions->setGranted(m_micGranted, m_axGranted);
        m_permissions = permissions;
        page = permissions;
        break;
    }
    case OnboardingStep::Languages:
        if (m_services.catalog && m_services.downloads) {
            page = new LanguageStep(*m_services.catalog, m_services.downloads(), this);
        } else {
            // Without a catalogue the step is not in the list; a page set
            // here directly shows nothing rather than failing.
            page = new QWidget(this);
            page->setLayout(new QVBoxLayout);
        }
        break;
    case OnboardingStep::FirstWords: {
        auto resources = m_services.resourceFolder;
        FirstWordsStep::Lines lines;
        lines.greeting = [resources] { return GiftLines::greeting(resources ? resources() : QString()); };
        lines.whisper = [resources] { return GiftLines::whisper(resources ? resources() : QString()); };
        page = new FirstWordsStep(*m_services.bootstrap, m_services.speak, lines, this);
        break;
    }
    }
    page->setFixedWidth(kContentWidth);
    // Room left over stays below the page's content.
    if (auto* box = qobject_cast<QBoxLayout*>(page->layout()))
        box->addStretch(1);
    m_page = page;
    m_pageHolder->addWidget(page);
    if (isVisible())
        page->show();
    refreshFooter();
    fitPage();
}

void OnboardingView::fitPage() {
    // A page taller than the room above the footer takes from the top and
    // bottom margins rather than being cut.
    m_topSpace->changeSize(0, kTopSpace, QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_buttons->setContentsMargins(kFooterSides, 0, kFooterSides, kFooterBottom);
    layout()->invalidate();
    layout()->activate();
    const int needed =
        m_page->hasHeightForWidth() ? m_page->heightForWidth(kContentWidth) : m_page->sizeHint().height();
    const int overflow = std::max(0, needed - m_page->height());
    if (overflow == 0)
        return;
    const int top = std::max(kMinTopSpace, kTopSpace - overflow);
    const int bottom = std::max(kMinFooterBottom, kFooterBottom - (overflow - (kTopSpace - top)));
    m_topSpace->changeSize(0, top, QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_buttons->setContentsMargins(kFooterSides, 0, kFooterSides, bottom);
    layout()->invalidate();
    layout()->activate();
}

void OnboardingView::applyPermissions() {
    if (m_permissions)
        m_permissions->setGranted(m_micGranted, m_axGranted);
}

void OnboardingView::requestMic() {
    PermissionProvider* permissions = m_services.permissions;
    if (!permissions)
        return;
    QPointer<OnboardingView> self = this;
    permissions->requestMicrophone([self](bool granted) {
        if (!self)
            return;
        self->m_micGranted = granted;
        self->applyPermissions();
    });
}

void OnboardingView::requestAX() {
    PermissionProvider* permissions = m_services.permissions;
    if (!permissions)
        return;
    stopPolling();
    m_pollToken = new QObject(this);
    pollAccessibility();
    // Asking turns access on where the session lets us (the poll sees it);
    // where it refuses, the user turns it on in the desktop's settings.
    QPointer<OnboardingView> self = this;
    permissions->requestAccessibility([self](bool granted) {
        if (self && !granted && self->m_services.openAccessibilitySettings
            && self->m_services.openAccessibilitySettings())
            emit self->sentToSettings();
    });
}

void OnboardingView::pollAccessibility() {
    if (!m_services.delayedCall || !m_pollToken)
        return;
    m_services.delayedCall(kAccessibilityPoll, m_pollToken, [this] {
        m_axGranted = m_services.permissions->accessibilityGranted();
        applyPermissions();
        if (m_axGranted) {
            stopPolling();
            emit accessibilityGranted();
        } else {
            pollAccessibility();
        }
    });
}

void OnboardingView::stopPolling() {
    delete m_pollToken;
    m_pollToken = nullptr;
}

void OnboardingView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Nobody looks at the page any more: the poll ends with the window.
    if (!isVisible())
        stopPolling();
}
