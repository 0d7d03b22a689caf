#include "mainwindow/MainWindowView.h"

#include "engine/VoiceTuningView.h"
#include "hotkeys/ConfiguredHotkeys.h"
#include "hotkeys/ModifierTapMonitor.h"
#include "looks/TintedSymbol.h"
#include "mainwindow/CleanupPane.h"
#include "mainwindow/DashboardPane.h"
#include "mainwindow/DashboardServices.h"
#include "mainwindow/DictationPane.h"
#include "mainwindow/DictionaryPane.h"
#include "mainwindow/GeneralPane.h"
#include "mainwindow/InstructionsPane.h"
#include "mainwindow/ModesPane.h"
#include "mainwindow/PageServices.h"
#include "mainwindow/ReaderPane.h"
#include "mainwindow/TranslationPane.h"
#include "state/AppActions.h"
#include "state/AppState.h"
#include "support/Defaults.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

#include <map>

namespace {

constexpr int kTitleSize = 26;
constexpr int kTitlePadding = 28;
constexpr int kRowHeight = 32;

// Binds the stored shortcuts again after a page changed them.
std::function<void()> rebinder(const PageServices& program) {
    return [&hotkeys = program.hotkeys, &taps = program.modifierTaps] {
        registerConfiguredHotkeys(Defaults::shared(), hotkeys, taps, AppActions::shared());
    };
}

// The page table: how each page is built.
using Builder = std::function<QWidget*(const PageServices& program)>;
const std::map<MainWindowPane, Builder>& builders() {
    static const std::map<MainWindowPane, Builder> table = {
        {MainWindowPane::Dashboard,
         [](const PageServices& program) {
             return new DashboardPane(
                 DashboardServices::standard(program.stats, program.history, program.inbox, &program.noteTarget()));
         }},
        {MainWindowPane::Dictation,
         [](const PageServices& program) { return DictationPane::standard(program.hotkeys, rebinder(program)); }},
        {MainWindowPane::Modes,
         [](const PageServices& program) { return new ModesPane(ModesPane::Services::standard(program.modes)); }},
        {MainWindowPane::Reader,
         [](const PageServices& program) { return new ReaderPane(ReaderPane::Services::standard(program)); }},
        {MainWindowPane::Translation,
         [](const PageServices& program) {
             TranslationPane::Services services = TranslationPane::Services::standard();
             for (ModifierTapMonitor::Key key : ModifierTapMonitor::offerable())
                 services.offerableKeys << ModifierTapMonitor::toString(key);
             services.rebind = rebinder(program);
             return new TranslationPane(std::move(services));
         }},
        {MainWindowPane::Cleanup,
         [](const PageServices& program) { return new CleanupPane(CleanupPane::Services::standard(program.history)); }},
        {MainWindowPane::Dictionary,
         [](const PageServices& program) {
             return new DictionaryPane(DictionaryPane::Services::standard(program.dictionary, program.wordBias));
         }},
        {MainWindowPane::Voice, [](const PageServices& program) { return new VoiceTuningView(program.voiceTuning); }},
        {MainWindowPane::Instructions, [](const PageServices&) { return new InstructionsPane(Defaults::shared()); }},
        {MainWindowPane::General,
         [](const PageServices& program) { return new GeneralPane(GeneralPane::Services::standard(program.badge)); }},
    };
    return table;
}

// The page's symbol in white on a rounded square of its colour.
QIcon badge(MainWindowPane pane, qreal ratio) {
    const int side = MainWindowView::kBadgeSide;
    QPixmap art(QSize(side, side) * ratio);
    art.setDevicePixelRatio(ratio);
    art.fill(Qt::transparent);
    QPainter painter(&art);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(MainWindowPanes::color(pane));
    painter.drawRoundedRect(QRectF(0, 0, side, side), MainWindowView::kBadgeRadius, MainWindowView::kBadgeRadius);
    const int symbol = MainWindowView::kBadgeSymbol;
    const QPixmap glyph = TintedSymbol::pixmap(MainWindowPanes::icon(pane), symbol, Qt::white, ratio);
    painter.drawPixmap(QPointF((side - symbol) / 2.0, (side - symbol) / 2.0), glyph);
    painter.end();
    return QIcon(art);
}

} // namespace

QWidget* MainWindowView::titlePage(MainWindowPane pane) {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(kTitlePadding, kTitlePadding, kTitlePadding, kTitlePadding);
    auto* title = new QLabel(MainWindowPanes::title(pane), page);
    title->setTextFormat(Qt::PlainText);
    QFont font;
    font.setPixelSize(kTitleSize);
    font.setBold(true);
    title->setFont(font);
    column->addWidget(title);
    column->addStretch(1);
    page->setWindowTitle(MainWindowPanes::title(pane));
    return page;
}

QWidget* MainWindowView::standardPage(MainWindowPane pane, const PageServices& program) {
    const auto found = builders().find(pane);
    return found != builders().end() ? found->second(program) : titlePage(pane);
}

MainWindowView::PageBuilder MainWindowView::standardPages(PageServices program) {
    return [program](MainWindowPane pane) { return standardPage(pane, program); };
}

MainWindowView::MainWindowView(AppState& app, PageBuilder buildPage, bool showsTranslation, QWidget* parent)
    : QWidget(parent), m_app(app), m_buildPage(std::move(buildPage)), m_sidebar(new QListWidget),
      m_detail(new QWidget) {
    setMinimumSize(kMinimumSize);
    setWindowTitle(QStringLiteral("Quorvane") + QChar(0x2122));
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setIconSize(QSize(kBadgeSide, kBadgeSide));
    m_sidebar->setMinimumWidth(kSidebarMinimum);
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    listPanes(showsTranslation);
    connect(m_sidebar, &QListWidget::currentRowChanged, this, [this](int row) {
        setPane(row >= 0 && row < m_listed.size() ? std::optional(m_listed.at(row)) : std::nullopt);
    });

    m_detailLayout = new QVBoxLayout(m_detail);
    m_detailLayout->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_sidebar);
    split->addWidget(m_detail);
    split->setStretchFactor(1, 1);
    split->setCollapsible(0, false);
    split->setCollapsible(1, false);
    split->setSizes({kSidebarIdeal, kMinimumSize.width() - kSidebarIdeal});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);

    connect(&m_app, &AppState::requestedPaneChanged, this, [this] {
        if (isVisible())
            takeRequest();
    });
    setPane(m_pane);
}

void MainWindowView::setShowsTranslation(bool shows) {
    if (shows == m_listed.contains(MainWindowPane::Translation))
        return;
    listPanes(shows);
    selectRow();
}

void MainWindowView::listPanes(bool showsTranslation) {
    const QSignalBlocker quiet(m_sidebar);
    m_listed.clear();
    m_sidebar->clear();
    for (MainWindowPane pane : MainWindowPanes::all())
        if (pane != MainWindowPane::Translation || showsTranslation)
            m_listed.append(pane);
    for (MainWindowPane pane : std::as_const(m_listed)) {
        auto* row = new QListWidgetItem(badge(pane, devicePixelRatioF()), MainWindowPanes::title(pane), m_sidebar);
        row->setSizeHint(QSize(kSidebarIdeal, kRowHeight));
        row->setData(Qt::UserRole, int(pane));
    }
}

void MainWindowView::setPane(std::optional<MainWindowPane> pane) {
    m_pane = pane;
    selectRow();
    if (isVisible())
        buildPage();
}

void MainWindowView::selectRow() {
    const QSignalBlocker quiet(m_sidebar);
    const qsizetype row = m_pane ? m_listed.indexOf(*m_pane) : -1;
    m_sidebar->setCurrentRow(int(row));
    if (row < 0)
        m_sidebar->clearSelection();
}

void MainWindowView::buildPage() {
    if (m_page) {
        m_page->hide();
        m_page->deleteLater();
    }
    const MainWindowPane pane = m_pane.value_or(MainWindowPane::Dashboard);
    if (pane == MainWindowPane::Dashboard && m_prepared) {
        m_page = std::exchange(m_prepared, nullptr);
        m_page->show();
        return;
    }
    m_page = m_buildPage(pane);
    m_detailLayout->addWidget(m_page);
}

void MainWindowView::takeRequest() {
    const std::optional<MainWindowPane> request = m_app.requestedPane();
    if (!request)
        return;
    m_app.setRequestedPane(std::nullopt);
    setPane(request);
}

void MainWindowView::prepareDashboard() {
    if (isVisible() || m_prepared || m_pane.value_or(MainWindowPane::Dashboard) != MainWindowPane::Dashboard)
        return;
    // Kept out of sight (and out of the layout) until a show adopts it; until
    // then it is never thrown away, since a Dashboard that goes counts the
    // phone's new notes as seen.
    m_prepared = m_buildPage(MainWindowPane::Dashboard);
    m_prepared->hide();
    m_detailLayout->addWidget(m_prepared);
    // Styled now, so that the show only lays it out and paints it.
    m_prepared->ensurePolished();
}

void MainWindowView::hideEvent(QHideEvent* event) {
    // The next show builds the page afresh; the old one goes now, not then.
    if (!event->spontaneous() && m_page) {
        delete m_page;
        m_page = nullptr;
        QMetaObject::invokeMethod(this, &MainWindowView::prepareDashboard, Qt::QueuedConnection);
    }
    QWidget::hideEvent(event);
}

void MainWindowView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    if (const std::optional<MainWindowPane> request = m_app.requestedPane()) {
        m_app.setRequestedPane(std::nullopt);
        m_pane = request;
        setPane(request);
        return;
    }
    buildPage();
}
