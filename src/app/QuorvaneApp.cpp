#include "app/QuorvaneApp.h"

#include "app/MenuBarIcon.h"
#include "looks/Appearance.h"
#include "platform/ColorScheme.h"
#include "platform/Platform.h"
#include "state/AppActions.h"
#include "state/AppState.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

QuorvaneApp::TrayHost QuorvaneApp::TrayHost::standard() {
    TrayHost host;
    host.present = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    host.tell = messageBoxPresenter();
    return host;
}

QuorvaneApp::QuorvaneApp(const AppActions& actions, AppState& state, QObject* parent)
    : QuorvaneApp(actions, state, TrayHost::standard(), parent) {}

QuorvaneApp::QuorvaneApp(const AppActions& actions, AppState& state, TrayHost host, QObject* parent)
    : QObject(parent), m_actions(actions), m_state(state), m_host(std::move(host)), m_menu(std::make_unique<QMenu>()),
      m_tray(std::make_unique<QSystemTrayIcon>()) {
    const AppActions* table = &m_actions;
    m_dictation = addRow(QString(), table->toggleDictation, true, QKeySequence(Qt::CTRL | Qt::Key_D));
    addRow(QStringLiteral("Paste Last Dictation"), table->pasteLast, true, QKeySequence(Qt::CTRL | Qt::Key_V));
    addRow(QStringLiteral("Read Selection"), table->readSelection, true);
    addRow(QStringLiteral("Stop Reading"), table->stopReading, false);
    m_menu->addSeparator();
    if (table->addModeSection)
        table->addModeSection(m_menu.get());
    if (table->addTranslationSection) {
        const qsizetype before = m_menu->actions().size();
        table->addTranslationSection(m_menu.get());
        m_translationRows = m_menu->actions().mid(before);
    }
    m_menu->addSeparator();
    m_engine = m_menu->addAction(QString());
    m_engine->setEnabled(false);
    m_menu->addSeparator();
    addRow(QStringLiteral("Microphone Test\u2026"), table->openMicrophoneTest, false);
    addRow(QStringLiteral("Report a Problem\u2026"), table->reportProblem, false);
    m_menu->addSeparator();
    addRow(QStringLiteral("Leave a Review\u2026"), table->leaveReview, false);
    addRow(QStringLiteral("Check for Updates\u2026"), table->checkForUpdates, true);
    addRow(QStringLiteral("Settings..."), table->showMainWindow, false, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Quit Quorvane"), this, &QuorvaneApp::quitRequested);

    m_tray->setToolTip(QStringLiteral("Quorvane"));
    // The menu is the item's content: the right button opens it as a context
    // menu, and so does the left one.
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            m_menu->popup(QCursor::pos());
    });
    // Pairs come and go while the program runs: the translation rows show
    // whenever the menu opens with translation working.
    connect(m_menu.get(), &QMenu::aboutToShow, this, &QuorvaneApp::showTranslationRows);
    showTranslationRows();
    connect(&m_state, &AppState::isRecordingChanged, this, &QuorvaneApp::refresh);
    connect(&m_state, &AppState::serverReadyChanged, this, &QuorvaneApp::refresh);
    // The idle icon is drawn for the panel, which follows the desktop's scheme.
    if (const ColorScheme* desktop = Platform::current().colorScheme)
        connect(desktop, &ColorScheme::changed, this, &QuorvaneApp::refresh);
    refresh();
}

QuorvaneApp::~QuorvaneApp() = default;

void QuorvaneApp::show() {
    m_tray->show();
    QTimer::singleShot(m_host.wait, this, &QuorvaneApp::checkTrayHost);
}

QString QuorvaneApp::noTrayHostTitle() { return QStringLiteral("Quorvane has no icon on this desktop"); }

QString QuorvaneApp::noTrayHostText() {
    return QStringLiteral("This desktop shows no tray icons, so the Quorvane menu cannot appear. Quorvane keeps "
                          "running, and its window is open instead: the General page has Quit, Microphone Test and "
                          "Check for Updates. Open Quorvane again to bring the window back.");
}

void QuorvaneApp::checkTrayHost() {
    if (m_toldNoTrayHost || !m_host.present || m_host.present())
        return;
    m_toldNoTrayHost = true;
    if (m_actions.showMainWindow) {
        m_state.setRequestedPane(MainWindowPane::General);
        m_actions.showMainWindow();
    }
    Alert alert;
    alert.style = Alert::Style::Informational;
    alert.title = noTrayHostTitle();
    alert.text = noTrayHostText();
    alert.buttons = {QStringLiteral("OK")};
    if (m_host.tell)
        m_host.tell(alert, [](int) {});
}

QAction* QuorvaneApp::addRow(const QString& text, const std::function<void()>& action, bool asTask,
                             const QKeySequence& shortcut) {
    QAction* row = m_menu->addAction(text);
    row->setShortcut(shortcut);
    row->setEnabled(bool(action));
    connect(row, &QAction::triggered, this, [action, asTask] {
        if (!action)
            return;
        if (asTask)
            startTask(action);
        else
            action();
    });
    return row;
}

void QuorvaneApp::refresh() {
    const bool recording = m_state.isRecording();
    m_dictation->setText(recording ? QStringLiteral("Stop Dictation") : QStringLiteral("Start Dictation"));
    m_engine->setText(m_state.serverReady() ? QStringLiteral("Engine: warm") : QStringLiteral("Engine: starting..."));
    m_tray->setIcon(MenuBarIcon::icon(recording, Appearance::desktopIsDark()));
}

QStringList QuorvaneApp::rowTexts() const {
    QStringList rows;
    for (const QAction* action : m_menu->actions())
        if (action->isVisible())
            rows << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return rows;
}

void QuorvaneApp::showTranslationRows() {
    const bool shown = m_actions.translationGate();
    for (QAction* row : std::as_const(m_translationRows))
        row->setVisible(shown);
}
