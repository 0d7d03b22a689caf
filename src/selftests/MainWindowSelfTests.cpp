#include "selftests/SelfTestRun.h"
#include "selftests/SelfTestText.h"
#include "selftests/SelfTests.h"

#include "looks/DockIcon.h"
#include "mainwindow/MainWindowView.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/ProgramLifetime.h"
#include "translator/Translator.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QPointer>
#include <QScreen>

namespace SelfTests {
namespace {

using namespace std::chrono_literals;

constexpr auto kBeforeWindow = 1500ms;
constexpr auto kPerPage = 500ms;
constexpr auto kAfterLastPage = 800ms;
constexpr QSize kWindowSize{780, 500};

constexpr auto kBeforeShot = 1200ms;
constexpr auto kRendering = 2500ms;
constexpr QSize kShotSize{880, 1180};
const QString kShotTitle = QStringLiteral("QuorvaneShot");

// Puts `window` in the middle of the primary screen, in front, with the focus.
void present(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    window.raise();
    window.activateWindow();
}

// Walks a main window of its own through every page, half a second each.
class PageWalk : public SelfTestRun {
public:
    PageWalk(QString path, PageServices pages) : m_path(std::move(path)), m_pages(std::move(pages)) {}

    void walk() {
        after(kBeforeWindow, [this] {
            DockIcon::setPolicy(DockIcon::Policy::Regular);
            // Kept open after the walk, as a window the user opened would be.
            auto* window = ProgramLifetime::keep(new MainWindowView(
                AppState::shared(), MainWindowView::standardPages(m_pages), Translator::isAvailable()));
            window->resize(kWindowSize);
            present(*window);
            AppState::shared().setRequestedPane(m_panes.first());
            after(kPerPage, [this] { visit(0); });
        });
    }

private:
    void visit(qsizetype index) {
        m_titles << MainWindowPanes::title(m_panes.at(index));
        if (index + 1 == m_panes.size()) {
            after(kAfterLastPage, [this] {
                SelfTestText::write(m_path, QStringLiteral("survived=true panes=") + m_titles.join(QLatin1Char(',')));
                end();
            });
            return;
        }
        AppState::shared().setRequestedPane(m_panes.at(index + 1));
        after(kPerPage, [this, index] { visit(index + 1); });
    }

    const QString m_path;
    const PageServices m_pages;
    const QList<MainWindowPane> m_panes = MainWindowPanes::all();
    QStringList m_titles;
};

MainWindowPane shotPane(const QString& name) {
    if (name == QLatin1String("Cleanup"))
        return MainWindowPane::Cleanup;
    if (name == QLatin1String("Reader"))
        return MainWindowPane::Reader;
    if (name == QLatin1String("General"))
        return MainWindowPane::General;
    return MainWindowPane::Dictation;
}

} // namespace

void stepThroughPages(const QString& path, const PageServices& pages) {
    SelfTestRun::begin<PageWalk>(path, pages)->walk();
}

void shootPage(const PageShot& shot, const PageServices& pages) {
    auto* run = SelfTestRun::begin();
    run->after(kBeforeShot, [run, shot, pages] {
        DockIcon::setPolicy(DockIcon::Policy::Regular);
        auto* window = ProgramLifetime::keep(new QWidget);
        window->setWindowTitle(kShotTitle);
        QWidget* page = MainWindowView::standardPage(shotPane(shot.page), pages);
        page->setParent(window);
        page->setGeometry(QRect(QPoint(0, 0), kShotSize));
        window->resize(kShotSize);
        present(*window);
        run->after(kRendering, [run, page = QPointer<QWidget>(page), path = shot.path] {
            // Whatever fails on the way, the program still quits.
            if (page) {
                const QPixmap image = page->grab();
                if (!image.isNull())
                    (void)image.save(path, "PNG");
            }
            requestQuit();
            run->end();
        });
    });
}

} // namespace SelfTests
