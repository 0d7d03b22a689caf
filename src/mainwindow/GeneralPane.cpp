#include "mainwindow/GeneralPane.h"

#include "looks/Appearance.h"
#include "looks/DockIcon.h"
#include "looks/TextColours.h"
#include "looks/TintedSymbol.h"
#include "mainwindow/AboutPane.h"
#include "mainwindow/DashboardPane.h"
#include "mainwindow/GreetingLine.h"
#include "mainwindow/LiveControls.h"
#include "mainwindow/LiveSettingsControl.h"
#include "onboarding/Greeting.h"
#include "onboarding/MilestoneBadge.h"
#include "platform/Platform.h"
#include "platform/UserAccount.h"
#include "platform/Wording.h"
#include "state/Announce.h"
#include "state/AppActions.h"
#include "support/Defaults.h"
#include "support/Text.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QColor kSavedGreen = QColor::fromRgbF(0.204f, 0.780f, 0.349f);
constexpr int kSymbolSize = 12;

} // namespace

GeneralPane::Services GeneralPane::Services::standard(MilestoneBadge& badge) {
    Services services;
    services.defaults = &Defaults::shared();
    services.applyAppearance = [] { applyStoredAppearance(); };
    services.applyDockArt = [](const QString& reason) { DockIcon::apply(reason); };
    services.refreshDockPolicy = [] { DockIcon::refreshPolicy(); };
    services.accountName = [] {
        UserAccount* account = Platform::current().userAccount;
        return account ? account->fullName() : QString();
    };
    services.now = [] { return QDateTime::currentDateTime(); };
    services.announce = [](const QString& text) { Announce::say(text, false); };
    services.later = DelayedCalls::timers();
    const AppActions& actions = AppActions::shared();
    services.openZoomSettings = actions.openZoomSettings;
    services.badge = &badge;
    services.checkForUpdates = actions.checkForUpdates;
    services.uninstall = actions.uninstall;
    services.openMicrophoneTest = actions.openMicrophoneTest;
    services.quit = actions.quit;
    return services;
}

GeneralPane::GeneralPane(Services services, QWidget* parent)
    : SettingsForm(tr("General"), parent), m_services(std::move(services)) {
    Defaults& defaults = *m_services.defaults;

    // 1. Theme
    SettingsSection* theme = addSection(tr("Theme"));
    m_appearance = theme->add(LiveControls::appearance(defaults));
    m_dock = toggle(theme, Wording::of(tr("Keep Quorvane in the Dock")), kShowInDock, false);
    theme->addHelp(Wording::of(
        tr("Quorvane normally lives in the menu bar and only appears in the Dock while a window is open. Kept in the "
           "Dock, the Quor stays there the whole time Quorvane is running and follows the theme above. It makes no "
           "difference to what Quorvane does.")));
    connect(&defaults, &Defaults::changed, this, [this](const QString& key) {
        if (key == LiveControls::kAppearance) {
            if (m_services.applyAppearance)
                m_services.applyAppearance();
            if (m_services.applyDockArt)
                m_services.applyDockArt(QStringLiteral("theme-changed"));
        } else if (key == kShowInDock && m_services.refreshDockPolicy) {
            m_services.refreshDockPolicy();
        }
    });

    // 2. This window
    SettingsSection* window = addSection(tr("This window"));
    toggle(window, tr("Open this window when Quorvane starts"), kOpenWindowAtLaunch, true);
    window->addHelp(Wording::of(
        tr("Quorvane lives in the menu bar, so without this, opening it puts an icon up there and nothing else on "
           "screen. Leaving the window open also means Quorvane appears in the Command Tab switcher, so you can come "
           "back to it the way you come back to any other app rather than aiming at the menu bar.")));

    // 3. Making things easier to see
    SettingsSection* see = addSection(tr("Making things easier to see"));
    auto* zoom = new QPushButton(Wording::of(tr("Open macOS accessibility settings\u2026")));
    zoom->setEnabled(bool(m_services.openZoomSettings));
    connect(zoom, &QPushButton::clicked, this, [this] { m_services.openZoomSettings(); });
    see->add(zoom);
    see->addHelp(Wording::of(
        tr("macOS does not let an app change its own text size, so Quorvane has no setting for it. Enlarging happens "
           "system wide instead: Zoom magnifies the screen, and Displays offers a scaled resolution that makes "
           "everything larger. Both apply to Quorvane along with everything else.")));

    // 4. Your name
    SettingsSection* name = addSection(tr("Your name"));
    auto* nameRow = new QWidget;
    auto* nameLine = new QHBoxLayout(nameRow);
    nameLine->setContentsMargins(0, 0, 0, 0);
    nameLine->setSpacing(8);
    m_name = new QLineEdit(nameRow);
    m_name->setPlaceholderText(tr("First name"));
    m_name->setAccessibleName(tr("First name"));
    m_save = new QPushButton(tr("Save"), nameRow);
    m_save->setAutoDefault(false);
    nameLine->addWidget(m_name, 1);
    nameLine->addWidget(m_save);
    name->add(nameRow);
    connect(m_name, &QLineEdit::returnPressed, this, &GeneralPane::commitName);
    connect(m_save, &QPushButton::clicked, this, &GeneralPane::commitName);
    connect(m_name, &QLineEdit::textChanged, this, &GeneralPane::draftChanged);

    auto* card = new QWidget;
    card->setObjectName(QStringLiteral("greetingPreview"));
    card->setAttribute(Qt::WA_StyledBackground);
    card->setStyleSheet(
        QStringLiteral("#greetingPreview { border-radius: 7px; background: rgba(128, 128, 128, 23); }"));
    auto* cardColumn = new QVBoxLayout(card);
    cardColumn->setContentsMargins(10, 7, 10, 7);
    cardColumn->setSpacing(2);
    auto* onDashboard = new QLabel(tr("On your Dashboard").toUpper(), card);
    QFont small = onDashboard->font();
    small.setPixelSize(10);
    small.setWeight(QFont::DemiBold);
    onDashboard->setFont(small);
    onDashboard->setForegroundRole(QPalette::PlaceholderText);
    QFont large = onDashboard->font();
    large.setPixelSize(15);
    large.setWeight(QFont::DemiBold);
    m_preview = new GreetingLine(large, card);
    cardColumn->addWidget(onDashboard);
    cardColumn->addWidget(m_preview);
    name->add(card);

    m_saved = new QWidget;
    auto* savedLine = new QHBoxLayout(m_saved);
    savedLine->setContentsMargins(0, 0, 0, 0);
    savedLine->setSpacing(4);
    auto* check = new QLabel(m_saved);
    check->setPixmap(
        TintedSymbol::pixmap(QStringLiteral("checkmark.circle.fill"), kSymbolSize, kSavedGreen, devicePixelRatioF()));
    auto* savedText = new QLabel(tr("Saved"), m_saved);
    savedText->setStyleSheet(QStringLiteral("color: %1;").arg(kSavedGreen.name()));
    savedLine->addWidget(check);
    savedLine->addWidget(savedText);
    savedLine->addStretch(1);
    m_saved->hide();
    name->add(m_saved);
    name->addHelp(Wording::of(tr("Stays on your Mac, never sent anywhere.")));
    m_name->setText(defaults.stringOr(kUserName, QString()));
    draftChanged();

    // 5. Software update
    SettingsSection* update = addSection(tr("Software update"));
    toggle(update, tr("Automatically check for updates"), kAutoCheckUpdates, true);
    update->addHelp(Wording::of(
        tr("Quorvane checks on launch and only asks when a new version is ready. It never installs on its own. Turn "
           "this off to check manually from the menu bar instead.")));
    auto* check4 = new QPushButton(tr("Check for Updates\u2026"));
    check4->setEnabled(bool(m_services.checkForUpdates));
    connect(check4, &QPushButton::clicked, this, [this] { m_services.checkForUpdates(); });
    update->add(check4);

    // 6. Milestones
    SettingsSection* milestones = addSection(tr("Milestones"));
    m_badge = toggle(milestones, tr("Mark the hours I have saved"), kBadgeEnabled, true);
    m_tone = toggle(milestones, tr("Play a short tone"), kSoundEnabled, false);
    milestones->addHelp(
        tr("At one hour saved, then three, five, ten and on up, the Quor appears for a few seconds in the corner of "
           "whatever you are working in. It never takes focus and there is nothing to click. The gaps widen as the "
           "figure grows, so this happens seven times in the whole life of the app."));
    m_showOne = new QPushButton(tr("Show Me One"));
    connect(m_showOne, &QPushButton::clicked, this, [this] { m_services.badge->show(kPreviewHours); });
    milestones->add(m_showOne);
    connect(m_badge, &QCheckBox::toggled, this, &GeneralPane::badgeChanged);
    badgeChanged();

    // The menu's tools, for a desktop whose panel shows no tray icons.
    SettingsSection* tools = addSection(tr("Tray menu"));
    auto* microphone = new QPushButton(tr("Microphone Test\u2026"));
    microphone->setEnabled(bool(m_services.openMicrophoneTest));
    connect(microphone, &QPushButton::clicked, this, [this] { m_services.openMicrophoneTest(); });
    tools->add(microphone);
    auto* quit = new QPushButton(tr("Quit Quorvane"));
    quit->setEnabled(bool(m_services.quit));
    connect(quit, &QPushButton::clicked, this, [this] { m_services.quit(); });
    tools->add(quit);
    tools->addHelp(tr("What the Quorvane menu in the panel offers, for a desktop whose panel shows no tray icons."));

    // 7. About
    auto* about = new AboutPane;
    about->setContentsMargins(0, 10, 0, 10);
    addWidget(about);

    // 8. Remove Quorvane
    SettingsSection* remove = addSection(tr("Remove Quorvane"));
    auto* removeButton = new QPushButton(tr("Remove Quorvane and Everything It Downloaded\u2026"));
    removeButton->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; }").arg(TextColours::red(removeButton->palette()).name()));
    removeButton->setEnabled(bool(m_services.uninstall));
    connect(removeButton, &QPushButton::clicked, this, [this] { m_services.uninstall(); });
    remove->add(removeButton);
    remove->addHelp(Wording::of(
        tr("Dragging Quorvane to the Trash leaves the speech engine and the models behind, because they are downloaded "
           "rather than bundled. That is several gigabytes nobody would think to look for. This removes all of it, "
           "along with your past dictations, your dictionary and your settings.")));
    finish();
}

GeneralPane::~GeneralPane() {
    // Leaving the page saves a changed name, also when the page is closed
    // without being hidden first.
    commitName();
}

QCheckBox* GeneralPane::toggle(SettingsSection* section, const QString& text, const QString& key, bool fallback) {
    QCheckBox* box = section->addToggle(text, m_services.defaults->boolOr(key, fallback));
    connect(box, &QCheckBox::toggled, this, [this, key](bool on) { m_services.defaults->set(key, on); });
    return box;
}

QString GeneralPane::greetingFor(const QString& typed) const {
    const auto [hour, name] = greetingParts(typed);
    return DashboardPane::greeting(hour, name);
}

std::pair<int, QString> GeneralPane::greetingParts(const QString& typed) const {
    const QDateTime now = m_services.now ? m_services.now() : QDateTime::currentDateTime();
    const QString account = m_services.accountName ? m_services.accountName() : QString();
    return {now.time().hour(), Greeting::displayName(typed, account)};
}

void GeneralPane::draftChanged() {
    const auto [hour, name] = greetingParts(m_name->text());
    m_preview->setGreeting(DashboardPane::greetingWords(hour, name), DashboardPane::greetingSymbol(hour));
    const QString line = m_preview->text();
    m_preview->parentWidget()->setAccessibleName(tr("On your Dashboard: ") + line);
    m_save->setEnabled(m_name->text() != m_services.defaults->stringOr(kUserName, QString()));
}

void GeneralPane::commitName() {
    const QString name = Text::trimmedOfBlanks(m_name->text());
    if (m_name->text() != name)
        m_name->setText(name);
    Defaults& defaults = *m_services.defaults;
    if (name == defaults.stringOr(kUserName, QString())) {
        draftChanged();
        return;
    }
    defaults.set(kUserName, name);
    draftChanged();
    m_saved->show();
    if (m_services.announce)
        m_services.announce(tr("Name saved. %1").arg(greetingFor(name)));
    const int save = ++m_saves;
    const auto hide = [this, save] {
        if (save == m_saves)
            m_saved->hide();
    };
    if (m_services.later)
        m_services.later(kSavedShown, this, hide);
}

void GeneralPane::badgeChanged() {
    const bool on = m_badge->isChecked();
    m_tone->setVisible(on);
    m_showOne->setEnabled(on && m_services.badge);
}

void GeneralPane::showEvent(QShowEvent* event) {
    SettingsForm::showEvent(event);
    m_name->setText(m_services.defaults->stringOr(kUserName, QString()));
}

void GeneralPane::hideEvent(QHideEvent* event) {
    SettingsForm::hideEvent(event);
    commitName();
}
