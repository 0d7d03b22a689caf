// Every page of the main window as the program builds it, in both looks, at
// the window's smallest size and on a large screen: no clipped text, every
// text readable against what is drawn behind it, every symbol drawn.
#include "PageRender.h"
#include "mainwindow/MainWindowView.h"
#include "support/Defaults.h"
#include "support/FakePlatform.h"
#include "support/TestPageServices.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

constexpr QSize kLarge{1600, 1000};

class PageLooksTest : public ::testing::TestWithParam<std::tuple<MainWindowPane, bool>> {
protected:
    ScopedFakePlatform platform;
    TestPageServices pages;
};

TEST_P(PageLooksTest, ThePageReadsAtTheSmallestWindowAndOnALargeScreen) {
    const MainWindowPane pane = std::get<0>(GetParam());
    const bool dark = std::get<1>(GetParam());
    // The program's own pages keep their settings in the shared store.
    PageRender render(Defaults::shared(), dark);
    render.show(pane, [this, pane] { return MainWindowView::standardPage(pane, pages.services()); });
    const QString name = MainWindowPanes::title(pane).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
    for (const QSize size : {MainWindowView::kMinimumSize, kLarge}) {
        render.resize(size);
        ASSERT_EQ(render.view().size(), size);
        render.save(name + QStringLiteral("-%1x%2").arg(size.width()).arg(size.height()));
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, PageLooksTest,
                         ::testing::Combine(::testing::ValuesIn(MainWindowPanes::all()), ::testing::Bool()),
                         [](const auto& info) {
                             QString title = MainWindowPanes::title(std::get<0>(info.param));
                             title.remove(QLatin1Char(' '));
                             return title.toStdString() + (std::get<1>(info.param) ? "Dark" : "Light");
                         });

} // namespace
