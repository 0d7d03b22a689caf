// The voice picker's two keyboard stops as a screen reader sees them over
// AT-SPI: one element each with its name, hint and actions, the chips and
// cards beneath hidden, and an increase that changes the language.
#include <atspi/atspi.h> // before Qt: GLib headers use the name "signals"

#include "reader/VoicePicker.h"
#include "support/TestPageServices.h"

#include <QtConcurrent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

struct Element {
    QString role;
    QString description;
    int children = -1;
    QStringList actions;
};

QString text(gchar* owned) {
    const QString result = QString::fromUtf8(owned ? owned : "");
    g_free(owned);
    return result;
}

// The first element named `name` below `root`, depth first; the caller unrefs it.
AtspiAccessible* find(AtspiAccessible* root, const QString& name, int depth = 0) {
    if (depth > 14)
        return nullptr;
    const int count = atspi_accessible_get_child_count(root, nullptr);
    for (int i = 0; i < count; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(root, i, nullptr);
        if (!child)
            continue;
        if (text(atspi_accessible_get_name(child, nullptr)) == name)
            return child;
        AtspiAccessible* found = find(child, name, depth + 1);
        g_object_unref(child);
        if (found)
            return found;
    }
    return nullptr;
}

// This process's element named `name`, described; with `action`, that action is done on it.
std::optional<Element> query(const QString& name, const QString& action = QString()) {
    atspi_init();
    AtspiAccessible* desktop = atspi_get_desktop(0);
    std::optional<Element> result;
    const int apps = atspi_accessible_get_child_count(desktop, nullptr);
    for (int i = 0; i < apps && !result; ++i) {
        AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
        if (!app)
            continue;
        if (atspi_accessible_get_process_id(app, nullptr) == guint(getpid())) {
            if (AtspiAccessible* element = find(app, name)) {
                Element found;
                found.role = text(atspi_accessible_get_role_name(element, nullptr));
                found.description = text(atspi_accessible_get_description(element, nullptr));
                found.children = atspi_accessible_get_child_count(element, nullptr);
                if (AtspiAction* actions = atspi_accessible_get_action_iface(element)) {
                    const int count = atspi_action_get_n_actions(actions, nullptr);
                    for (int a = 0; a < count; ++a) {
                        found.actions << text(atspi_action_get_action_name(actions, a, nullptr));
                        if (!action.isEmpty() && found.actions.last().compare(action, Qt::CaseInsensitive) == 0)
                            atspi_action_do_action(actions, a, nullptr);
                    }
                    g_object_unref(actions);
                }
                g_object_unref(element);
                result = found;
            }
        }
        g_object_unref(app);
    }
    g_object_unref(desktop);
    return result;
}

// The AT-SPI calls come back into this process, so they run on another
// thread while this one keeps answering.
std::optional<Element> ask(const QString& name, const QString& action = QString()) {
    std::optional<Element> answer;
    (void)QTest::qWaitFor(
        [&] {
            QFuture<std::optional<Element>> running = QtConcurrent::run(query, name, action);
            while (!running.isFinished())
                QTest::qWait(20);
            answer = running.result();
            return answer.has_value();
        },
        15000);
    return answer;
}

QStringList lower(QStringList names) {
    for (QString& name : names)
        name = name.toLower();
    return names;
}

TEST(VoicePickerAtspiTest, EachStopIsOneElementThatAScreenReaderCanAdjust) {
    if (qEnvironmentVariableIsEmpty("QV_DESKTOP_HARNESS"))
        GTEST_SKIP() << "run through scripts/run-tests.sh, which starts the desktop services";
    TestPageServices pages;
    VoicePicker picker(VoicePicker::Services::standard(pages.audition, pages.flagHover));
    picker.setWindowTitle(QStringLiteral("Reading voice"));
    picker.resize(470, 360);
    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));

    const std::optional<Element> row = ask(QStringLiteral("Language"));
    ASSERT_TRUE(row) << "the chip row is not on the accessibility bus";
    EXPECT_EQ(row->role, QStringLiteral("slider"));
    EXPECT_EQ(row->description, QStringLiteral("Adjust to change the language of the voices below."));
    EXPECT_EQ(row->children, 0) << "the chips are hidden";
    EXPECT_TRUE(lower(row->actions).contains(QStringLiteral("increase")));
    EXPECT_FALSE(lower(row->actions).contains(QStringLiteral("press")));

    const std::optional<Element> grid = ask(QStringLiteral("American voices"));
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->description,
              QStringLiteral("Adjust to move between voices. Press to hear one, press again to choose it."));
    EXPECT_EQ(grid->children, 0) << "the cards are hidden";
    EXPECT_TRUE(lower(grid->actions).contains(QStringLiteral("press")));
    EXPECT_TRUE(lower(grid->actions).contains(QStringLiteral("decrease")));

    ASSERT_TRUE(ask(QStringLiteral("Language"), QStringLiteral("increase")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return picker.language() == QStringLiteral("b"); }, 5000));
    EXPECT_TRUE(ask(QStringLiteral("British voices"))) << "the grid's name follows the language";
}

} // namespace
