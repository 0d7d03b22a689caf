// Every text a user reads on this desktop: the settings pages, the first-run
// steps and the tray menu, built under the Linux wording, name no place, key
// or program of another desktop. Texts shown only in bubbles and dialogs are
// checked through the wording table itself.
#include "app/QuorvaneApp.h"
#include "engine/EngineBootstrap.h"
#include "mainwindow/MainWindowView.h"
#include "onboarding/FirstWordsStep.h"
#include "onboarding/KeyboardGuide.h"
#include "onboarding/MoveStep.h"
#include "onboarding/OnboardingServices.h"
#include "onboarding/PermissionsStep.h"
#include "onboarding/WelcomeStep.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxWording.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "state/MainWindowPane.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"
#include "support/TestPageServices.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Names that belong to another desktop, matched as whole words.
const QRegularExpression kForeign(
    QStringLiteral("\\b(Macs?|macOS|Dock|Finder|Trash|Safari|iPhone|Apple|menu bar|System Settings|Language & Region|"
                   "Command[- ](Tab|V)|(Right|Left) (Command|Option))\\b|\u2318|\u2325|\u2303"));

QStringList foreignIn(const QStringList& texts) {
    QStringList found;
    for (const QString& text : texts)
        if (text.contains(kForeign))
            found << text;
    return found;
}

// Every text a widget tree shows: labels, buttons, placeholders, tool tips and actions.
QStringList visibleTexts(const QObject& root) {
    QStringList texts;
    for (const QLabel* label : root.findChildren<QLabel*>())
        texts << label->text();
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>())
        texts << button->text();
    for (const QLineEdit* field : root.findChildren<QLineEdit*>())
        texts << field->placeholderText();
    for (const QWidget* widget : root.findChildren<QWidget*>())
        texts << widget->toolTip();
    for (const QAction* action : root.findChildren<QAction*>())
        texts << action->text() << action->toolTip();
    if (const auto* menu = qobject_cast<const QMenu*>(&root))
        for (const QAction* action : menu->actions())
            texts << action->text();
    texts.removeAll(QString());
    return texts;
}

class LinuxWordingTextsTest : public ::testing::Test {
protected:
    LinuxWordingTextsTest() {
        Platform linux = m_previous;
        linux.wording = &m_wording;
        Platform::install(linux);
    }
    ~LinuxWordingTextsTest() override { Platform::install(m_previous); }

    void expectNoForeignWords(const QString& where, QWidget* built) {
        std::unique_ptr<QWidget> owned(built);
        const QStringList found = foreignIn(visibleTexts(*owned));
        EXPECT_TRUE(found.isEmpty()) << where.toStdString() << ":\n  "
                                     << found.join(QStringLiteral("\n  ")).toStdString();
    }

    LinuxWording m_wording;
    const Platform m_previous = Platform::current();
    TempFolder m_folder;
    Defaults m_defaults{m_folder.file(QStringLiteral("defaults.json"))};
    TestPageServices m_pages;
};

TEST_F(LinuxWordingTextsTest, EveryPageEveryFirstRunStepAndTheTrayMenuSpeakThisDesktop) {
    for (MainWindowPane pane : MainWindowPanes::all())
        expectNoForeignWords(MainWindowPanes::title(pane), MainWindowView::standardPage(pane, m_pages.services()));

    OnboardingServices services;
    services.defaults = &m_defaults;
    services.isTranslocated = [] { return true; };
    const std::pair<const char*, std::function<QWidget*()>> steps[] = {
        {"move", [&] { return new MoveStep(services); }},
        {"welcome", [&] { return new WelcomeStep(m_defaults); }},
        {"speaking", [&] { return new KeyboardGuide(KeyboardGuide::Topic::Speaking, true, m_defaults); }},
        {"reading", [&] { return new KeyboardGuide(KeyboardGuide::Topic::Reading, true, m_defaults); }},
        {"permissions", [] { return new PermissionsStep([] {}, [] {}); }},
        {"first words", [this] { return new FirstWordsStep(m_pages.lower.engine, {}, {}); }},
    };
    for (const auto& [name, build] : steps)
        expectNoForeignWords(QString::fromLatin1(name), build());

    AppActions actions;
    AppState state;
    QuorvaneApp tray(actions, state);
    const QStringList found = foreignIn(visibleTexts(*tray.menu()));
    EXPECT_TRUE(found.isEmpty()) << found.join(QStringLiteral("\n")).toStdString();
}

// Texts shown in the bubble, in alerts and in dialogs, as the code passes them
// to the wording.
TEST_F(LinuxWordingTextsTest, BubbleAndDialogTextsSpeakThisDesktop) {
    const QStringList shown = {
        QStringLiteral("No sound from your mic. Check System Settings > Sound > Input."),
        QStringLiteral(" arrived from an iPhone this Mac has not seen before. Are they yours?"),
        QStringLiteral("Quorvane itself moves to the Trash. This cannot be undone."),
        QStringLiteral("Straight from the iPhone"),
        QStringLiteral("This Mac has no voice for %@."),
        QStringLiteral("macOS said: "),
        QStringLiteral(" was refused by macOS, so Quorvane is still running "),
        QStringLiteral("Reveal recording in Finder"),
        QStringLiteral("Notes from your iPhone will be filed here. It is created if it does not exist. Leave this "
                       "empty to use whatever folder Notes uses by default."),
        QStringLiteral("Insert notes from your iPhone into"),
        QStringLiteral("Add and remember this iPhone"),
        QStringLiteral("an iPhone"),
        QStringLiteral("VoiceOver is under Vision. Command F5 also turns it on and off."),
    };
    QStringList worded;
    for (const QString& text : shown)
        worded << Wording::of(text);
    const QStringList found = foreignIn(worded);
    EXPECT_TRUE(found.isEmpty()) << found.join(QStringLiteral("\n")).toStdString();

    // Hotkeys are written as this desktop writes them; a glyph alone is a key
    // cap of the drawn keyboard, and other texts pass unchanged.
    EXPECT_EQ(Wording::of(QStringLiteral("\u2303\u2325D")), QStringLiteral("Ctrl+Alt+D"));
    EXPECT_EQ(Wording::of(QStringLiteral("\u2303\u21E7\u2318Space")), QStringLiteral("Ctrl+Shift+Super+Space"));
    EXPECT_EQ(Wording::of(QStringLiteral("\u2325")), QString());
    EXPECT_EQ(Wording::of(QStringLiteral("\u2325 is Alt")), QStringLiteral("\u2325 is Alt"));
}

} // namespace
