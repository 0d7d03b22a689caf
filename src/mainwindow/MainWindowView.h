#pragma once

#include "mainwindow/PageServices.h"
#include "state/MainWindowPane.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class AppState;
class QListWidget;
class QSplitter;
class QVBoxLayout;

// The main window's content: a sidebar of pages and the chosen page beside
// it. Every page is built afresh whenever it is chosen and whenever the view
// comes on screen, so it always shows the stored settings as they are now.
// The Dashboard follows its stores while it lives, so once the view is hidden
// on it the next one is built at once, out of sight, and the next time the
// Dashboard is chosen or shown it is that one: showing the window then waits
// for no page. Page requests arrive through `AppState::requestedPane`: the
// view switches to the page once it is on screen and clears the request. GUI
// thread only.
class MainWindowView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSidebarMinimum = 165;
    static constexpr int kSidebarIdeal = 185;
    static constexpr QSize kMinimumSize{940, 620};
    static constexpr int kBadgeSide = 22;
    static constexpr int kBadgeRadius = 6;
    static constexpr int kBadgeSymbol = 11;

    using PageBuilder = std::function<QWidget*(MainWindowPane)>;

    // `app` must outlive the view. `showsTranslation` decides whether the
    // Translation row is listed; a request for that page shows it either way.
    MainWindowView(AppState& app, PageBuilder buildPage, bool showsTranslation, QWidget* parent = nullptr);

    // The program's pages on the shared stores and `program`'s services, and
    // for the pages still to come, their title.
    static QWidget* standardPage(MainWindowPane pane, const PageServices& program);
    static PageBuilder standardPages(PageServices program);
    // A page that shows only its title.
    static QWidget* titlePage(MainWindowPane pane);

    // The chosen page; none shows the Dashboard.
    std::optional<MainWindowPane> pane() const { return m_pane; }
    void setPane(std::optional<MainWindowPane> pane);
    // The page on screen; none while the view is hidden.
    QWidget* page() const { return m_page; }
    QListWidget* sidebar() const { return m_sidebar; }
    // The listed pages, in sidebar order.
    QList<MainWindowPane> sidebarPanes() const { return m_listed; }
    // Lists the Translation row or leaves it out, keeping the page on screen.
    void setShowsTranslation(bool shows);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void listPanes(bool showsTranslation);
    void selectRow();
    void takeRequest();
    void buildPage();
    // Builds the Dashboard for the next show while the view is hidden on it.
    void prepareDashboard();

    AppState& m_app;
    PageBuilder m_buildPage;
    QList<MainWindowPane> m_listed;
    std::optional<MainWindowPane> m_pane = MainWindowPane::Dashboard;
    QListWidget* m_sidebar;
    QWidget* m_detail;
    QVBoxLayout* m_detailLayout;
    QWidget* m_page = nullptr;
    // The Dashboard built while the view is hidden, for its next show.
    QPointer<QWidget> m_prepared;
};
