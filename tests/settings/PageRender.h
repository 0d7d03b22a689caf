#pragma once

#include "looks/Appearance.h"
#include "looks/SettingsForm.h"
#include "mainwindow/MainWindowView.h"
#include "state/AppState.h"
#include "support/Artifacts.h"
#include "support/Defaults.h"
#include "support/RenderCheck.h"
#include "support/ScopedLinuxWording.h"

#include <QListWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>

// Shows a settings page in the main window, light or dark, and saves two
// pictures of it: the window as it opens ("page-<name>-<look>.png") and the
// whole scrolling page ("page-<name>-<look>-full.png"), each checked for
// clipped text, weak contrast and missing symbols. The page is built in the
// Linux wording, so the pictures show what a user here reads.
class PageRender {
public:
    static constexpr QSize kWindow{1180, 780};

    PageRender(Defaults& defaults, bool dark) : m_defaults(defaults), m_dark(dark) {
        m_defaults.set(QStringLiteral("appearance"), dark ? QStringLiteral("dark") : QStringLiteral("light"));
        applyStoredAppearance(m_defaults, nullptr);
    }
    ~PageRender() {
        m_view.reset();
        m_defaults.set(QStringLiteral("appearance"), QStringLiteral("light"));
        applyStoredAppearance(m_defaults, nullptr);
    }

    // Builds the window on `pane` with `build` making that page.
    QWidget* show(MainWindowPane pane, std::function<QWidget*()> build) {
        m_view = std::make_unique<MainWindowView>(
            m_app,
            [pane, build](MainWindowPane shown) { return shown == pane ? build() : MainWindowView::titlePage(shown); },
            true);
        m_view->resize(kWindow);
        m_view->setPane(pane);
        m_view->show();
        settle();
        return m_view->page();
    }

    MainWindowView& view() { return *m_view; }

    // Gives the window another size and lets the page lay itself out again.
    void resize(QSize size) {
        m_view->resize(size);
        settle();
    }

    // Runs out the chain of layout requests that one pass posts for the next
    // (the page, then the scroll area that sizes it): a fixed wait can end
    // between two of them on a loaded machine, and the page would be
    // pictured squeezed into the window.
    static void settle() {
        for (int pass = 0; pass < 8; ++pass)
            QCoreApplication::sendPostedEvents();
        QTest::qWait(30);
    }

    // Saves both pictures and checks both renders; answers the window's.
    QImage save(const QString& name) {
        const QString look = m_dark ? QStringLiteral("dark") : QStringLiteral("light");
        const QImage window = m_view->grab().toImage();
        const QString windowName = QStringLiteral("page-%1-%2").arg(name, look);
        EXPECT_FALSE(Artifacts::save(window, windowName + QStringLiteral(".png")).isEmpty());
        RenderCheck::expectReadable(*m_view, windowName);
        if (auto* form = qobject_cast<QScrollArea*>(m_view->page())) {
            Artifacts::save(form->widget()->grab().toImage(), windowName + QStringLiteral("-full.png"));
            RenderCheck::expectReadable(*form->widget(), windowName + QStringLiteral("-full"));
        }
        return window;
    }

    // Shows the page, saves its pictures and checks its look; answers the page.
    template <class Page> Page* render(MainWindowPane pane, const QString& name, std::function<QWidget*()> build) {
        auto* page = qobject_cast<Page*>(show(pane, std::move(build)));
        expectLook(save(name));
        return page;
    }

    // The page's background is light or dark with the look.
    void expectLook(const QImage& window) {
        QWidget* page = m_view->page();
        const QColor background = window.pixelColor(page->mapTo(m_view.get(), QPoint(6, 6)));
        EXPECT_EQ(background.lightness() < 128, m_dark) << background.name().toStdString();
        EXPECT_EQ(m_view->sidebar()->currentItem()->text(), MainWindowPanes::title(*m_view->pane()));
    }

private:
    ScopedLinuxWording m_wording;
    Defaults& m_defaults;
    bool m_dark;
    AppState m_app;
    std::unique_ptr<MainWindowView> m_view;
};

// Names the light and dark instances of a render test.
#define QUORVANE_INSTANTIATE_LOOKS(Suite)                                                                              \
    INSTANTIATE_TEST_SUITE_P(Looks, Suite, ::testing::Values(false, true),                                             \
                             [](const auto& info) { return info.param ? "Dark" : "Light"; })
