#include "translation/TranslateBar.h"

#include "audio/Recorder.h"
#include "insertion/AXText.h"
#include "platform/Platform.h"
#include "platform/WindowSystem.h"
#include "support/Defaults.h"
#include "translation/TranslateBarView.h"
#include "translator/TranslationCatalog.h"
#include "translator/Translator.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace {

const QString kReadTargetKey = QStringLiteral("translationReadTarget");

TranslateBar::Screen screenOf(const QScreen* screen) { return {screen->geometry(), screen->availableGeometry()}; }

} // namespace

TranslateBar::Services TranslateBar::Services::standard() {
    Services services;
    services.defaults = &Defaults::shared();
    services.catalog = &TranslationCatalog::shared();
    services.later = [](std::chrono::milliseconds delay, QObject* context, std::function<void()> task) {
        QTimer::singleShot(delay, context, std::move(task));
    };
    services.screens = [] {
        QList<Screen> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens.append(screenOf(screen));
        return screens;
    };
    services.mainScreen = []() -> std::optional<Screen> {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return screenOf(screen);
        return std::nullopt;
    };
    services.pointer = [] { return QCursor::pos(); };
    services.trace = [](const QString& line) { Recorder::trace(line); };
    services.hasSelectionRect = [](std::function<void(bool has)> answered) {
        AXText::readSelectionScreenRect(
            [answered = std::move(answered)](std::optional<QRect> rect) { answered(rect.has_value()); });
    };
    services.onCurrentDesktop = [](const QWidget& window) {
        WindowSystem* windows = Platform::current().windowSystem;
        return !windows || windows->isOnCurrentDesktop(window);
    };
    return services;
}

QSize TranslateBar::fitted(QSize hint) {
    if (hint.width() < kUnlaidSize.width() || hint.height() < kUnlaidSize.height())
        return {std::max(hint.width(), kFallbackSize.width()), std::max(hint.height(), kFallbackSize.height())};
    return hint;
}

std::optional<QPoint> TranslateBar::origin(const QList<Screen>& screens, const std::optional<Screen>& mainScreen,
                                           QPoint pointer, QSize panel) {
    std::optional<Screen> chosen;
    for (const Screen& screen : screens) {
        if (screen.frame.contains(pointer)) {
            chosen = screen;
            break;
        }
    }
    if (!chosen)
        chosen = mainScreen;
    if (!chosen)
        return std::nullopt;
    const QRect& area = chosen->available;
    // Centred, its bottom edge kBottomGap above the bottom of the available area.
    return QPoint(area.x() + (area.width() - panel.width()) / 2,
                  area.y() + area.height() - kBottomGap - panel.height());
}

TranslateBar::TranslateBar(Services services, QObject* parent) : QObject(parent), m_services(std::move(services)) {}

TranslateBar::~TranslateBar() { delete m_panel.data(); }

void TranslateBar::setPeers(Peers peers) {
    m_peers = std::move(peers);
    emit contentChanged();
}

QStringList TranslateBar::offered() const {
    const QStringList targets = m_services.catalog ? m_services.catalog->targets() : QStringList();
    QStringList codes;
    for (const QString& code : TranslationCatalog::candidates())
        if (targets.contains(code) || code == m_targetCode)
            codes.append(code);
    return codes;
}

bool TranslateBar::offersKeep() const { return m_targetCode != Translator::readTarget(); }

bool TranslateBar::isVisible() const { return m_panel && m_panel->isVisible(); }

void TranslateBar::show(const QString& passage, const QString& source, const QString& target) {
    m_passage = passage;
    m_sourceName = Translator::displayName(source);
    m_targetCode = target;
    m_expanded = false;
    makePanel();
    emit contentChanged();
    fitAndPlace();
    m_panel->show();
    m_panel->raise();
    armHide(kShownFor);
    if (!m_services.trace)
        return;
    const QRect frame = m_panel->frameGeometry();
    const auto flag = [](bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); };
    const bool onSpace = !m_services.onCurrentDesktop || m_services.onCurrentDesktop(*m_panel);
    const QString line =
        QStringLiteral("translatebar show %1->%2 size=%3x%4 origin=(%5,%6) visible=%7 onSpace=%8 hasSelRect=")
            .arg(m_sourceName, m_targetCode)
            .arg(frame.width())
            .arg(frame.height())
            .arg(frame.x())
            .arg(frame.y())
            .arg(flag(m_panel->isVisible()), flag(onSpace));
    if (!m_services.hasSelectionRect) {
        m_services.trace(line + flag(false));
        return;
    }
    // The line waits for the application's answer; the show does not.
    m_services.hasSelectionRect([bar = QPointer<TranslateBar>(this), line, flag](bool has) {
        if (bar)
            bar->m_services.trace(line + flag(has));
    });
}

void TranslateBar::hide() {
    cancelHide();
    setExpanded(false);
    if (m_panel)
        m_panel->hide();
}

void TranslateBar::armHide(std::chrono::milliseconds after) {
    const quint64 token = ++m_nextToken;
    m_hideToken = token;
    if (!m_services.later)
        return;
    m_services.later(after, this, [this, token] {
        if (m_hideToken != token)
            return;
        // The timer itself does nothing but queue the hide.
        QTimer::singleShot(0, this, [this, token] {
            if (m_hideToken == token)
                hide();
        });
    });
}

void TranslateBar::cancelHide() { m_hideToken = 0; }

void TranslateBar::choose(const QString& code) {
    m_targetCode = code;
    setExpanded(false);
    emit contentChanged();
    armHide(kAfterChoosing);
    QTimer::singleShot(0, this, [this, passage = m_passage, code] {
        if (m_peers.readAgain)
            m_peers.readAgain(passage, code);
    });
}

void TranslateBar::keepAsDefault() {
    if (m_services.defaults)
        m_services.defaults->set(kReadTargetKey, m_targetCode);
    setExpanded(false);
    emit contentChanged();
    armHide(kAfterKeeping);
}

void TranslateBar::toggleExpanded() {
    setExpanded(!m_expanded);
    if (!m_panel)
        return;
    if (m_expanded)
        cancelHide();
    else
        armHide(kAfterCollapsing);
}

void TranslateBar::addLanguage() {
    setExpanded(false);
    hide();
    if (m_peers.openTranslationPage)
        m_peers.openTranslationPage();
}

void TranslateBar::setExpanded(bool expanded) {
    if (m_expanded == expanded)
        return;
    m_expanded = expanded;
    emit contentChanged();
    // The panel takes the size of what it now shows, the list or the header alone.
    if (m_panel)
        fitAndPlace();
}

void TranslateBar::makePanel() {
    if (m_panel)
        return;
    auto* view = new TranslateBarView(*this);
    // Bypassing the window manager keeps the bar on every desktop, above the
    // other windows, and out of the focus chain and the task bar.
    view->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
                         | Qt::X11BypassWindowManagerHint);
    view->setAttribute(Qt::WA_ShowWithoutActivating);
    view->setAttribute(Qt::WA_TranslucentBackground);
    view->setWindowTitle(QStringLiteral("Quorvane translate bar"));
    connect(this, &TranslateBar::contentChanged, view, &TranslateBarView::rebuild);
    m_panel = view;
}

void TranslateBar::fitAndPlace() {
    const QSize size = fitted(m_panel->sizeHint());
    m_panel->setFixedSize(size);
    if (!m_services.screens || !m_services.pointer)
        return;
    const std::optional<Screen> main = m_services.mainScreen ? m_services.mainScreen() : std::nullopt;
    if (const std::optional<QPoint> at = origin(m_services.screens(), main, m_services.pointer(), size))
        m_panel->move(*at);
}
