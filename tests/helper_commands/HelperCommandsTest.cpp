// The helper's accessibility and key-watch sub-commands on a fake desktop.
#include "helper/HelperProgram.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class HelperCommandsTest : public testing::Test {
protected:
    HelperCommandsTest() {
        field->value = QStringLiteral("😀 hello world");
        field->selection = AccessibleElement::TextRange{3, 0};
        field->selectionBounds = QRect(10, 20, 1, 17);
        fakes.accessibility.focused = field;
    }

    Outcome run(const QStringList& arguments, std::function<int()> loop = {}) {
        Outcome outcome;
        const Helper::Streams streams{
            [](qint64) { return QByteArray(); },
            [&](const QByteArray& bytes) { outcome.out += bytes; },
            [&](const QByteArray& bytes) { outcome.err += bytes; },
            std::move(loop),
        };
        outcome.status = Helper::run(arguments, streams);
        return outcome;
    }

    ScopedFakePlatform fakes;
    std::shared_ptr<FakeElement> field = std::make_shared<FakeElement>();
};

TEST_F(HelperCommandsTest, CaretPrintsTheRectangleInFixedOrder) {
    Outcome outcome = run({"caret"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "{\"x\":10,\"y\":20,\"w\":1,\"h\":17}\n");

    field->selectionBounds = QRect(0, 0, 0, 12);
    outcome = run({"caret"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "{\"x\":0,\"y\":0,\"w\":0,\"h\":12}\n");
}

TEST_F(HelperCommandsTest, CaretFailsWithoutARealPosition) {
    const std::function<void()> failures[] = {
        [&] { field->selectionBounds = QRect(0, 0, 5, 0); },
        [&] { field->selectionBounds.reset(); },
        [&] { field->selection.reset(); },
        [&] { fakes.accessibility.focused.reset(); },
    };
    for (const auto& failure : failures) {
        failure();
        const Outcome outcome = run({"caret"});
        EXPECT_EQ(outcome.status, 1);
        EXPECT_TRUE(outcome.out.isEmpty());
        EXPECT_TRUE(outcome.err.isEmpty());
    }
}

TEST_F(HelperCommandsTest, SelGetPrintsUtf16Units) {
    field->selection = AccessibleElement::TextRange{3, 5};
    Outcome outcome = run({"sel-get"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "{\"location\":3,\"length\":5}\n");

    fakes.accessibility.focused.reset();
    outcome = run({"sel-get"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.out.isEmpty());
}

TEST_F(HelperCommandsTest, SelSetRejectsBadArgumentsWith64) {
    const QStringList bad[] = {{"sel-set"},
                               {"sel-set", "3"},
                               {"sel-set", "-1", "0"},
                               {"sel-set", "3", "x"},
                               {"sel-set", "+3", "0"},
                               {"sel-set", " 3", "0"},
                               {"sel-set", "3", "1.0"}};
    for (const QStringList& arguments : bad) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 64) << arguments.join(' ').toStdString();
        EXPECT_TRUE(outcome.out.isEmpty());
        EXPECT_TRUE(outcome.err.isEmpty());
    }
    EXPECT_EQ(field->selection, (AccessibleElement::TextRange{3, 0}));
}

TEST_F(HelperCommandsTest, SelSetSucceedsOnlyWhenTheSelectionReadsBack) {
    EXPECT_EQ(run({"sel-set", "3", "5", "ignored"}).status, 0);
    EXPECT_EQ(field->selection, (AccessibleElement::TextRange{3, 5}));

    field->moveSelectionTo = AccessibleElement::TextRange{4, 0};
    EXPECT_EQ(run({"sel-set", "5", "0"}).status, 1);
    field->moveSelectionTo.reset();

    field->refuseSelection = true;
    EXPECT_EQ(run({"sel-set", "0", "0"}).status, 1);
    fakes.accessibility.focused.reset();
    EXPECT_EQ(run({"sel-set", "0", "0"}).status, 1);
}

TEST_F(HelperCommandsTest, SelSetRefusesARangeBeyondTheTextWithoutSettingIt) {
    // "😀 hello world" is 14 UTF-16 units long.
    const QString max = QString::number(std::numeric_limits<qint64>::max());
    const QStringList beyond[] = {{"sel-set", max, max},
                                  {"sel-set", "3", max},
                                  {"sel-set", max, "0"},
                                  {"sel-set", "15", "0"},
                                  {"sel-set", "10", "5"}};
    for (const QStringList& arguments : beyond) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 1) << arguments.join(' ').toStdString();
        EXPECT_TRUE(outcome.out.isEmpty());
        EXPECT_EQ(field->selection, (AccessibleElement::TextRange{3, 0})) << arguments.join(' ').toStdString();
    }
    EXPECT_EQ(run({"sel-set", "10", "4"}).status, 0) << "up to the end is fine";
    EXPECT_EQ(run({"sel-set", "14", "0"}).status, 0);
}

TEST_F(HelperCommandsTest, KeyWatchPrintsEveryKeyPressAndNothingElse) {
    const Outcome outcome = run({"key-watch"}, [&] {
        fakes.hotkeys.keyDown(0);
        fakes.hotkeys.keyDown(0);
        fakes.hotkeys.watch({Hotkeys::KeyEvent::Kind::FlagsChanged, Hotkeys::LeftControl, 0});
        fakes.hotkeys.watch({Hotkeys::KeyEvent::Kind::KeyDown, 0, 0, std::nullopt});
        fakes.hotkeys.keyDown(36);
        return 0;
    });
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "key 0\nkey 0\nkey 36\n");
    EXPECT_TRUE(fakes.hotkeys.watchers.isEmpty()) << "the watch ends with the command";
}

TEST_F(HelperCommandsTest, KeyWatchFailsWhereKeysCannotBeWatched) {
    fakes.hotkeys.watchable = false;
    EXPECT_EQ(run({"key-watch"}, [] { return 0; }).status, 1);
}

} // namespace
