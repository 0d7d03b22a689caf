// The Instructions page rendered in both looks, its two guides titled.
#include "mainwindow/InstructionsPane.h"
#include "PageRender.h"
#include "onboarding/KeyboardGuide.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace {

class InstructionsPageRenderTest : public ::testing::TestWithParam<bool> {
protected:
    ScopedFakePlatform platform;
    TempFolder folder;
    Defaults defaults{folder.file(QStringLiteral("defaults.json"))};
};

TEST_P(InstructionsPageRenderTest, ThePageRendersBothGuidesUnderTheirTitles) {
    PageRender render(defaults, GetParam());
    auto* pane = qobject_cast<InstructionsPane*>(
        render.show(MainWindowPane::Instructions, [this] { return new InstructionsPane(defaults); }));
    ASSERT_NE(pane, nullptr);
    PageRender::settle();
    render.expectLook(render.save(QStringLiteral("instructions")));
    QStringList texts;
    for (QLabel* label : pane->widget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("How to use Quorvane")));
    // Speaking above reading.
    EXPECT_LT(pane->speaking()->mapTo(pane->widget(), QPoint(0, 0)).y(),
              pane->reading()->mapTo(pane->widget(), QPoint(0, 0)).y());
    EXPECT_EQ(pane->speaking()->parentWidget()->findChild<QLabel*>()->text(), QStringLiteral("Speaking"));
    EXPECT_EQ(pane->reading()->parentWidget()->findChild<QLabel*>()->text(), QStringLiteral("Reading"));
}

QUORVANE_INSTANTIATE_LOOKS(InstructionsPageRenderTest);

} // namespace
