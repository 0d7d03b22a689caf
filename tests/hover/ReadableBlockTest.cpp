#include "HoverFakes.h"

#include "insertion/AXText.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/FakePointerWatch.h"
#include "support/Paths.h"
#include "support/QtPrinting.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gmock/gmock.h>

using testing::ElementsAre;

namespace {

const QString kTraceKey = QString::fromLatin1(AXText::kHoverTraceKey);
const QRect kParagraphFrame(100, 200, 300, 40);
constexpr QPoint kPointer(150, 210);

QString tracePath() { return QDir(Paths::applicationSupport()).filePath(QString::fromLatin1(AXText::kHoverTraceFile)); }

// A line of `length` characters, no blanks at its ends.
QString line(int length) { return QString(length, QLatin1Char('x')); }

using Element = std::shared_ptr<TreeElement>;

Element staticText(const QString& text, std::optional<QRect> frame = kParagraphFrame) {
    Element element = TreeElement::make(AccessibleRole::StaticText, text);
    element->elementFrame = frame;
    return element;
}

class ReadableBlockTest : public testing::Test {
protected:
    ReadableBlockTest() {
        QFile::remove(tracePath());
        Defaults::shared().set(kTraceKey, true);
        Platform services = fakes.services();
        services.accessibility = &accessibility;
        services.pointerWatch = &pointer;
        m_previous = Platform::install(services);
        pointer.pointer = kPointer;
        fakes.workspace.frontmost = Workspace::Application{QStringLiteral("Writer"), QStringLiteral("writer"), {}, 42};
    }
    ~ReadableBlockTest() override {
        Platform::install(m_previous);
        Defaults::shared().remove(kTraceKey);
        QFile::remove(tracePath());
    }

    // The trace lines written so far, without their time and application.
    QStringList trace() const {
        QFile file(tracePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        static const QRegularExpression stamp(QStringLiteral("^\\S+  \\[[^\\]]*\\] "));
        for (const QString& raw : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            lines << QString(raw).remove(stamp);
        return lines;
    }

    std::optional<AXText::HoverTarget> look() { return AXText::readableTargetUnderCursor(); }

    FakePlatform fakes;
    TreeAccessibility accessibility;
    FakePointerWatch pointer;

private:
    Platform m_previous;
};

TEST_F(ReadableBlockTest, AParagraphUnderThePointerIsReturnedWithItsFrameAndAStampedTraceLine) {
    const QString text = QStringLiteral("The committee met on Tuesday and agreed to publish the report next week.");
    accessibility.hit = staticText(text);

    const std::optional<AXText::HoverTarget> target = look();

    ASSERT_TRUE(target);
    EXPECT_EQ(target->text, text);
    EXPECT_EQ(target->frame, kParagraphFrame);
    QFile file(tracePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ  \\[Writer\\] "
                                                  "paragraph role=AXStaticText depth=0$"))
                    .match(lines[0])
                    .hasMatch())
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("  [Writer] SHOWING role=AXStaticText text=72 chars frame=300x40")))
        << lines[1].toStdString();
}

TEST_F(ReadableBlockTest, WithoutAnElementOrAFrontmostApplicationTheTraceSaysSo) {
    fakes.workspace.frontmost.reset();

    EXPECT_FALSE(look());

    QFile file(tracePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(file.readAll()).endsWith(QStringLiteral("  [?] no element under the cursor\n")));
}

TEST_F(ReadableBlockTest, ANavigationLandmarkIsDeclined) {
    Element navigation = TreeElement::make(AccessibleRole::Group);
    navigation->elementSubrole = AccessibleSubrole::LandmarkNavigation;
    accessibility.hit = navigation->add(staticText(QStringLiteral("Home")));

    EXPECT_FALSE(look());
    EXPECT_THAT(trace(), ElementsAre(QStringLiteral("declined role=AXGroup looks like navigation"),
                                     QStringLiteral("hit role=AXStaticText but nothing readable")));
}

TEST_F(ReadableBlockTest, ListsMenusAndToolbarsAreDeclinedByRole) {
    for (const AccessibleRole role : {AccessibleRole::List, AccessibleRole::Toolbar, AccessibleRole::ScrollBar}) {
        accessibility.hit = TreeElement::make(role, QStringLiteral("Open"));
        EXPECT_FALSE(look()) << toString(role).toStdString();
    }
    EXPECT_EQ(trace().filter(QStringLiteral("looks like navigation")).size(), 3);
}

TEST_F(ReadableBlockTest, ABlockNeedsALineOfFortyCharacters) {
    const QString lines39 = line(39) + QLatin1Char('\n') + line(39);
    accessibility.hit = staticText(lines39);
    EXPECT_FALSE(look());
    EXPECT_THAT(trace(), ElementsAre(QStringLiteral(
                                         "declined role=AXStaticText 79 chars but no line over 40, reads like a list"),
                                     QStringLiteral("hit role=AXStaticText but nothing readable")));

    QFile::remove(tracePath());
    const QString lines40 = line(39) + QLatin1Char('\n') + line(40);
    accessibility.hit = staticText(lines40);
    ASSERT_TRUE(look());
    EXPECT_THAT(trace(), ElementsAre(QStringLiteral("paragraph role=AXStaticText depth=0"),
                                     QStringLiteral("SHOWING role=AXStaticText text=80 chars frame=300x40")));
}

TEST_F(ReadableBlockTest, ProseLinesAreCountedInCharactersAndSplitAtEveryLineBreak) {
    EXPECT_FALSE(AXText::looksLikeProse(QString()));
    // Blanks and tabs round a line do not count towards it.
    EXPECT_FALSE(AXText::looksLikeProse(QStringLiteral(" \t") + line(39) + QStringLiteral("\t ")));
    EXPECT_TRUE(AXText::looksLikeProse(QStringLiteral("\n\n") + line(40) + QStringLiteral("\n")));
    EXPECT_FALSE(AXText::looksLikeProse(line(20) + QChar(0x2028) + line(20)));
    EXPECT_FALSE(AXText::looksLikeProse(line(25) + QChar(0x0085) + line(25)));
    EXPECT_FALSE(AXText::looksLikeProse(line(25) + QLatin1Char('\r') + line(25)));
    // 40 accented letters written as letter + combining mark: 80 units, 40 characters.
    EXPECT_TRUE(AXText::looksLikeProse(QStringLiteral("e\u0301").repeated(40)));
    EXPECT_FALSE(AXText::looksLikeProse(QStringLiteral("e\u0301").repeated(39)));
}

TEST_F(ReadableBlockTest, ABlockNeedsSixtyCharacters) {
    Element area = TreeElement::make(AccessibleRole::TextArea, line(59));
    area->elementFrame = QRect(0, 0, 500, 300);
    accessibility.hit = area->add(staticText(line(59)));
    EXPECT_FALSE(look());
    EXPECT_THAT(trace(), ElementsAre(QStringLiteral("block role=AXTextArea text=59 chars, below the 60 minimum")));

    QFile::remove(tracePath());
    accessibility.hit = area->add(staticText(line(60)));
    const std::optional<AXText::HoverTarget> target = look();
    ASSERT_TRUE(target);
    EXPECT_EQ(target->text, line(60));
    EXPECT_THAT(trace(), ElementsAre(QStringLiteral("paragraph role=AXStaticText depth=0"),
                                     QStringLiteral("SHOWING role=AXStaticText text=60 chars frame=300x40")));
}

TEST_F(ReadableBlockTest, TheFrameMustBeWiderThanFortyAndTallerThanFourteen) {
    struct Case {
        std::optional<QRect> frame;
        bool shown;
        QString line;
    };
    const QList<Case> cases{
        {QRect(0, 0, 40, 30), false, QStringLiteral("block role=AXStaticText text=60 chars but frame 40x30")},
        {QRect(0, 0, 41, 30), true, QStringLiteral("SHOWING role=AXStaticText text=60 chars frame=41x30")},
        {QRect(0, 0, 300, 14), false, QStringLiteral("block role=AXStaticText text=60 chars but frame 300x14")},
        {QRect(0, 0, 300, 15), true, QStringLiteral("SHOWING role=AXStaticText text=60 chars frame=300x15")},
        {std::nullopt, false, QStringLiteral("block role=AXStaticText text=60 chars but frame no frame")},
    };
    for (const Case& c : cases) {
        QFile::remove(tracePath());
        accessibility.hit = staticText(line(60), c.frame);
        EXPECT_EQ(look().has_value(), c.shown) << c.line.toStdString();
        EXPECT_EQ(trace().value(1), c.line);
    }
}

TEST_F(ReadableBlockTest, AParagraphTwoLevelsUpIsFoundButDeeperOnesFallBackToTheWebArea) {
    const QString prose = QStringLiteral("Paragraph text that runs on for well over sixty characters in one line.");
    // web area > g3 > g2 > g1 > link > "word"; the prose sits in g3.
    Element web = TreeElement::make(AccessibleRole::WebArea);
    web->elementFrame = QRect(0, 0, 800, 600);
    Element g3 = web->add(TreeElement::make(AccessibleRole::Group));
    g3->elementFrame = kParagraphFrame;
    g3->add(staticText(prose));
    Element g2 = g3->add(TreeElement::make(AccessibleRole::Group));
    Element g1 = g2->add(TreeElement::make(AccessibleRole::Group));
    Element word = g1->add(staticText(QStringLiteral("word")));

    accessibility.hit = g1;
    const std::optional<AXText::HoverTarget> near = look();
    ASSERT_TRUE(near);
    EXPECT_EQ(near->text, prose + QStringLiteral(" word"));
    EXPECT_EQ(trace().value(0), QStringLiteral("paragraph role=AXGroup depth=2"));

    QFile::remove(tracePath());
    accessibility.hit = word;
    const std::optional<AXText::HoverTarget> far = look();
    ASSERT_TRUE(far);
    EXPECT_EQ(far->frame, QRect(0, 0, 800, 600));
    EXPECT_THAT(trace(), ElementsAre(QStringLiteral("SHOWING role=AXWebArea text=76 chars frame=800x600")));
}

TEST_F(ReadableBlockTest, TheBlockClimbLooksAtSixElements) {
    // The text area is the sixth element from the hit, then the seventh.
    for (const int depth : {5, 6}) {
        Element area = TreeElement::make(AccessibleRole::TextArea, line(70));
        area->elementFrame = QRect(0, 0, 500, 300);
        Element below = area;
        for (int i = 0; i < depth; ++i)
            below = below->add(TreeElement::make(AccessibleRole::Group));
        accessibility.hit = below;
        const std::optional<AXText::HoverTarget> target = look();
        EXPECT_EQ(target.has_value(), depth == 5) << depth;
    }
}

TEST_F(ReadableBlockTest, AWindowEndsTheClimbAndIsNeverTheBlock) {
    Element window = TreeElement::make(AccessibleRole::Window);
    window->elementFrame = QRect(0, 0, 800, 600);
    window->add(staticText(line(70)));
    accessibility.hit = window->add(staticText(QStringLiteral("OK")));

    EXPECT_FALSE(look());
    EXPECT_THAT(trace(),
                ElementsAre(QStringLiteral("block role=AXStaticText 2 chars but no line over 40, reads like a list")));
}

TEST_F(ReadableBlockTest, GatheringStopsAfterFourHundredPieces) {
    Element web = TreeElement::make(AccessibleRole::WebArea);
    web->elementFrame = QRect(0, 0, 800, 600);
    for (int i = 0; i < 500; ++i)
        web->add(staticText(QStringLiteral("word")));
    accessibility.hit = web;

    const std::optional<AXText::HoverTarget> target = look();

    ASSERT_TRUE(target);
    EXPECT_EQ(target->text.split(QLatin1Char(' ')).size(), AXText::kTextPieceBudget);
}

TEST_F(ReadableBlockTest, AStaticTextWithoutAValueGivesItsTitle) {
    Element group = TreeElement::make(AccessibleRole::Group);
    group->elementFrame = kParagraphFrame;
    Element first = group->add(TreeElement::make(AccessibleRole::StaticText));
    first->elementName = QStringLiteral("Titles stand in for values");
    group->add(staticText(QStringLiteral("when a static text has no value of its own to give.")));
    accessibility.hit = group;

    const std::optional<AXText::HoverTarget> target = look();

    ASSERT_TRUE(target);
    EXPECT_EQ(target->text,
              QStringLiteral("Titles stand in for values when a static text has no value of its own to give."));
}

TEST_F(ReadableBlockTest, TheLastBlocksTextIsReusedUntilAnotherBlockIsChosen) {
    Element web = TreeElement::make(AccessibleRole::WebArea);
    web->elementFrame = QRect(0, 0, 800, 600);
    Element words = web->add(staticText(QStringLiteral("short")));
    web->add(staticText(line(70)));
    Element other = TreeElement::make(AccessibleRole::WebArea);
    other->elementFrame = QRect(0, 0, 800, 600);
    other->add(staticText(line(80)));

    accessibility.hit = words;
    ASSERT_TRUE(look());
    const int gathered = web->childReads;
    ASSERT_TRUE(look());
    EXPECT_EQ(web->childReads, gathered); // not gathered again

    accessibility.hit = other;
    ASSERT_TRUE(look());
    accessibility.hit = words;
    ASSERT_TRUE(look());
    EXPECT_EQ(web->childReads, gathered + 1);
}

TEST_F(ReadableBlockTest, ControlsLinksAndElementsWithAURLTakeTheirOwnClicks) {
    using enum AccessibleRole;
    for (const AccessibleRole role : {Link, Button, Slider, TextField})
        EXPECT_TRUE(AXText::isOwnClickTarget(TreeElement::make(role))) << toString(role).toStdString();

    Element text = staticText(line(60));
    EXPECT_FALSE(AXText::isOwnClickTarget(text));
    EXPECT_FALSE(AXText::isOwnClickTarget(TreeElement::make(Group)));
    EXPECT_FALSE(AXText::isOwnClickTarget(nullptr));
    text->elementUrl = QUrl(QStringLiteral("https://example.org/"));
    EXPECT_TRUE(AXText::isOwnClickTarget(text));
}

TEST_F(ReadableBlockTest, WithTheTraceOffNoFileIsCreated) {
    Defaults::shared().set(kTraceKey, false);
    accessibility.hit = staticText(line(60));
    ASSERT_TRUE(look());
    accessibility.hit = nullptr;
    EXPECT_FALSE(look());

    EXPECT_FALSE(QFile::exists(tracePath()));
}

TEST_F(ReadableBlockTest, TheElementUnderTheCursorIsAskedForAtThePointerPosition) {
    Element there = staticText(line(60));
    accessibility.at[{kPointer.x(), kPointer.y()}] = there;
    EXPECT_EQ(AXText::elementUnderCursor(), there);
    pointer.pointer.reset();
    EXPECT_EQ(AXText::elementUnderCursor(), nullptr);
}

} // namespace
