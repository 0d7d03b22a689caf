#include "dictation/BubblePanel.h"

#include "audio/Recorder.h"
#include "dictation/BubbleView.h"
#include "dictation/FrontmostApp.h"
#include "dictation/PanelShadow.h"
#include "dictation/WordSwapTaker.h"
#include "insertion/AXText.h"
#include "looks/TranslucentWindow.h"
#include "platform/Platform.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"
#include "support/LineLog.h"

#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdio>

namespace {

QString yesNo(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

std::optional<QRectF> asRectF(const std::optional<QRect>& rect) {
    if (!rect)
        return std::nullopt;
    return QRectF(*rect);
}

} // namespace

BubblePanel::Desktop BubblePanel::Desktop::standard() {
    Desktop desktop;
    desktop.screens = [] {
        QList<BubblePlacement::Screen> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens << BubblePlacement::Screen{QRectF(screen->geometry()), QRectF(screen->availableGeometry())};
        return screens;
    };
    desktop.mainScreen = []() -> std::optional<int> {
        const qsizetype index = QGuiApplication::screens().indexOf(QGuiApplication::primaryScreen());
        return index < 0 ? std::nullopt : std::optional<int>(int(index));
    };
    desktop.mouse = []() -> std::optional<QPointF> { return QPointF(QCursor::pos()); };
    desktop.caretRect = [] { return asRectF(AXText::selectionScreenRect()); };
    desktop.focusedWindowRect = [] { return asRectF(AXText::focusedWindowRect()); };
    desktop.frontmostName = [] {
        const std::optional<FrontmostApp> front = FrontmostApp::current();
        return front ? front->name : QString();
    };
    desktop.keys = [] { return Platform::current().hotkeys; };
    desktop.composited = [] { return TranslucentWindow::desktopBlends(); };
    desktop.schedule = [](std::chrono::milliseconds delay, QObject* context, std::function<void()> task) {
        QTimer::singleShot(delay, context, std::move(task));
    };
    desktop.trace = [](const QString& message) { Recorder::traceLog().appendStamped(message, QStringLiteral("  ")); };
    return desktop;
}

BubblePanel::BubblePanel(AppState& state, Defaults& defaults, Desktop desktop, QObject* parent)
    : QObject(parent), m_state(state), m_defaults(defaults), m_desktop(std::move(desktop)) {
    // A taken swap clears the offers, and with them the keys.
    connect(&m_state, &AppState::wordSwapsChanged, this, [this] { updateOptionKeys(); });
}

BubblePanel::~BubblePanel() {
    releaseOptionKeys();
    if (m_watchedKeys) {
        if (m_keyWatch)
            m_watchedKeys->stopWatching(*m_keyWatch);
        if (m_frontWatch)
            m_watchedKeys->stopWatching(*m_frontWatch);
    }
}

std::chrono::milliseconds BubblePanel::resultLifetime(const QString& finalText, bool hasSwaps,
                                                      const Defaults& defaults) {
    using namespace std::chrono;
    const milliseconds configured = duration_cast<milliseconds>(
        duration<double>(DictationSettings::readNumber(defaults, DictationSettings::kResultCardSeconds)));
    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    const qsizetype words = finalText.split(whitespace, Qt::SkipEmptyParts).size();
    milliseconds shown = std::min<milliseconds>(kResultBase + kResultPerWord * words, configured);
    if (hasSwaps && shown <= kResultWithSwapsShown)
        shown = kResultWithSwapsShown;
    return shown;
}

QWidget* BubblePanel::ensurePanel() {
    if (m_panel)
        return m_panel.get();
    auto panel =
        std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                               | Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint);
    panel->setObjectName(QStringLiteral("BubblePanel"));
    panel->setWindowTitle(QStringLiteral("Quorvane bubble"));
    panel->setAttribute(Qt::WA_TranslucentBackground);
    panel->setAttribute(Qt::WA_ShowWithoutActivating);
    panel->setAttribute(Qt::WA_X11DoNotAcceptFocus);
    panel->setFocusPolicy(Qt::NoFocus);
    panel->setFixedSize(kSize);
    // The panel itself stays clear: only the look the view draws has a
    // backdrop, so the desktop shows around a card or a pill.
    auto* container = new QWidget(panel.get());
    container->setGeometry(0, 0, kSize.width(), kSize.height());
    BubbleView::Actions actions;
    actions.cleanUp = m_desktop.cleanUp;
    actions.takeSwap = [this](const AppState::WordSwap& swap, const QString& option) { takeOption(swap, option); };
    m_view = new BubbleView(m_state, m_defaults, std::move(actions), container);
    m_view->setGeometry(container->rect());
    connect(m_view, &BubbleView::lookChanged, this, [this] { fitToLook(); });
    m_shadow = std::make_unique<PanelShadow>(*panel, *m_view);
    panel->winId(); // the native window, so that its input flag can be set before the first show
    m_panel = std::move(panel);
    fitToLook();
    return m_panel.get();
}

void BubblePanel::fitToLook() {
    // The window's shape is the look's: the desktop around it stays visible
    // (a clear pixel would show black without a compositing manager) and
    // takes its own clicks.
    if (m_panel && m_view)
        m_panel->setMask(m_view->lookShape());
}

void BubblePanel::dropPanel() {
    m_shadow.reset();
    m_view = nullptr;
    if (m_panel)
        m_panel->hide();
    m_panel.reset();
}

void BubblePanel::setMouseAccepted(bool accepted) {
    if (QWindow* window = m_panel ? m_panel->windowHandle() : nullptr)
        window->setFlag(Qt::WindowTransparentForInput, !accepted);
}

QWidget* BubblePanel::shadowWindow() const { return m_shadow ? m_shadow->window() : nullptr; }

bool BubblePanel::acceptsMouse() const {
    const QWindow* window = m_panel ? m_panel->windowHandle() : nullptr;
    return window && !(window->flags() & Qt::WindowTransparentForInput);
}

bool BubblePanel::isOnScreen() const {
    // The panel bypasses the window manager, so it is on every desktop once mapped.
    const QWindow* window = m_panel ? m_panel->windowHandle() : nullptr;
    return m_panel && m_panel->isVisible() && window && window->isVisible();
}

void BubblePanel::present(const QPoint& origin) {
    m_panel->setGeometry(QRect(origin, kSize));
    m_panel->show();
    m_panel->raise();
}

void BubblePanel::show(BubbleMode mode) {
    ++m_hideTicket;
    m_hidePending = false;
    // A take that ends thinks where it listened: the caret has not moved while
    // the user spoke, and asking the target where it is again would hold up
    // the stop by a round of accessibility queries.
    const bool staysInPlace =
        mode == BubbleMode::Thinking && m_state.bubbleMode() == BubbleMode::Listening && isOnScreen();
    m_state.setBubbleMode(mode);
    const bool opaque = !(m_desktop.composited && m_desktop.composited());
    ensurePanel();
    m_view->setOpaque(opaque);
    setMouseAccepted(mode == BubbleMode::Result);
    if (staysInPlace) {
        trace(showLine(mode, m_panel->pos()));
        startKeyWatch();
        updateOptionKeys();
        return;
    }

    BubblePlacement::Inputs inputs;
    inputs.screens = m_desktop.screens ? m_desktop.screens() : QList<BubblePlacement::Screen>();
    inputs.mainScreen = m_desktop.mainScreen ? m_desktop.mainScreen() : std::nullopt;
    inputs.mouse = m_desktop.mouse ? m_desktop.mouse() : std::nullopt;
    inputs.caretRect = m_desktop.caretRect;
    inputs.focusedWindowRect = m_desktop.focusedWindowRect;
    const BubblePlacement::Result placed = BubblePlacement::place(inputs, QSizeF(kSize));
    m_lastRule = placed.rule;
    m_state.setCardAtTop(placed.cardAtTop);
    const QPoint origin(int(placed.origin.x()), int(placed.origin.y()));
    present(origin);

    if (!isOnScreen()) {
        trace(QStringLiteral("stranded off the active Space, rebuilding"));
        dropPanel();
        ensurePanel();
        m_view->setOpaque(opaque);
        setMouseAccepted(mode == BubbleMode::Result);
        present(origin);
        trace(QStringLiteral("rebuilt onScreen=") + yesNo(isOnScreen()));
    }
    trace(showLine(mode, origin));

    if (mode == BubbleMode::Thinking || mode == BubbleMode::Result)
        startKeyWatch();
    updateOptionKeys();
    if (mode == BubbleMode::Result)
        scheduleHide(resultLifetime(m_state.finalText(), !m_state.wordSwaps().isEmpty(), m_defaults));
}

void BubblePanel::startKeyWatch() {
    Hotkeys* keys = m_desktop.keys ? m_desktop.keys() : nullptr;
    if (!keys || (m_watchedKeys && m_watchedKeys != keys))
        return;
    QPointer<BubblePanel> self(this);
    if (!m_keyWatch) {
        m_keyWatch = keys->startWatching([self](const Hotkeys::KeyEvent& event) {
            // The program's own keystrokes (a swap retyping the text) are not typing.
            if (event.kind != Hotkeys::KeyEvent::Kind::KeyDown || event.posted || !self)
                return;
            const std::optional<quint32> code = event.keyCode;
            // The work runs after whatever the GUI thread is doing now.
            QMetaObject::invokeMethod(
                self.data(),
                [self, code] {
                    if (self)
                        self->handleKeyDown(code);
                },
                Qt::QueuedConnection);
        });
    }
    if (!m_frontWatch && m_state.bubbleMode() == BubbleMode::Result) {
        // The number keys follow the target: another application in front
        // gets its digits.
        m_frontWatch = keys->startWatchingInput([self](Hotkeys::InputEvent event) {
            if (event != Hotkeys::InputEvent::ActiveWindowChanged || !self)
                return;
            QMetaObject::invokeMethod(
                self.data(),
                [self] {
                    if (self)
                        self->updateOptionKeys();
                },
                Qt::QueuedConnection);
        });
    }
    if (m_keyWatch || m_frontWatch)
        m_watchedKeys = keys;
}

bool BubblePanel::targetInFront() const {
    const QString front = m_desktop.frontmostName ? m_desktop.frontmostName() : QString();
    return m_state.targetAppName().isEmpty() || m_state.targetAppName() == front;
}

void BubblePanel::updateOptionKeys() {
    QList<quint32> wanted;
    const QList<AppState::WordSwap> swaps = m_state.wordSwaps();
    if (m_state.bubbleMode() == BubbleMode::Result && !swaps.isEmpty() && targetInFront()) {
        const qsizetype count = std::min<qsizetype>(std::size(kOptionKeys), swaps.first().options.size());
        for (qsizetype option = 0; option < count; ++option)
            wanted << kOptionKeys[option];
    }
    // Not QList's ==: an empty list compared with an emptied one hands
    // memcmp a null pointer, which the sanitizers rightly refuse.
    if (std::ranges::equal(wanted, m_optionKeys))
        return;
    releaseOptionKeys();
    Hotkeys* keys = m_desktop.keys ? m_desktop.keys() : nullptr;
    if (wanted.isEmpty() || !keys)
        return;
    QPointer<BubblePanel> self(this);
    m_optionTaking = keys->takeKeys(wanted, [self](quint32 keyCode) {
        if (!self)
            return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, keyCode] {
                if (self)
                    self->handleOptionKey(keyCode);
            },
            Qt::QueuedConnection);
    });
    if (!m_optionTaking)
        return;
    m_optionKeysFrom = keys;
    m_optionKeys = wanted;
}

void BubblePanel::releaseOptionKeys() {
    if (m_optionTaking && m_optionKeysFrom)
        m_optionKeysFrom->releaseKeys(*m_optionTaking);
    m_optionTaking.reset();
    m_optionKeysFrom = nullptr;
    m_optionKeys.clear();
}

void BubblePanel::hide() {
    trace(QStringLiteral("hide() called"));
    ++m_hideTicket;
    m_hidePending = false;
    releaseOptionKeys();
    if (m_watchedKeys) {
        if (m_keyWatch)
            m_watchedKeys->stopWatching(*m_keyWatch);
        if (m_frontWatch)
            m_watchedKeys->stopWatching(*m_frontWatch);
    }
    m_keyWatch.reset();
    m_frontWatch.reset();
    m_watchedKeys = nullptr;
    m_state.setBubbleMode(BubbleMode::Hidden);
    if (m_panel)
        m_panel->hide();
}

void BubblePanel::scheduleHide(std::chrono::milliseconds after) {
    const quint64 ticket = ++m_hideTicket;
    m_hidePending = true;
    const auto fire = [this, ticket] {
        if (ticket == m_hideTicket)
            hide();
    };
    if (m_desktop.schedule)
        m_desktop.schedule(after, this, fire);
    else
        QTimer::singleShot(after, this, fire);
}

void BubblePanel::handleKeyDown(std::optional<quint32> keyCode) {
    if (!targetInFront())
        return;
    if (m_state.bubbleMode() != BubbleMode::Result) {
        if (keyCode && (*keyCode == kReturnKey || *keyCode == kKeypadEnterKey)
            && DictationSettings::readBool(m_defaults, DictationSettings::kHoldEarlyReturn))
            m_state.setReturnPressedWhileThinking(true);
        return;
    }
    // A taken number key goes its own road (handleOptionKey). One that could
    // not be taken has reached the target: a swap now would no longer find
    // the text, so it is typing like any other key.
    if (keyCode && m_optionKeys.contains(*keyCode))
        return;
    if (m_state.cleanupState() != AppState::CleanupState::Cleaning)
        hide();
}

void BubblePanel::handleOptionKey(quint32 keyCode) {
    if (m_state.bubbleMode() != BubbleMode::Result || !targetInFront())
        return;
    const QList<AppState::WordSwap> swaps = m_state.wordSwaps();
    const qsizetype option =
        std::find(std::begin(kOptionKeys), std::end(kOptionKeys), keyCode) - std::begin(kOptionKeys);
    if (swaps.isEmpty() || option >= swaps.first().options.size() || option >= qsizetype(std::size(kOptionKeys)))
        return;
    takeOption(swaps.first(), swaps.first().options[option]);
    hide();
}

void BubblePanel::takeOption(const AppState::WordSwap& swap, const QString& option) {
    if (m_swapTaker)
        m_swapTaker->take(swap, option);
}

QString BubblePanel::showLine(BubbleMode mode, const QPoint& origin) const {
    const QList<BubblePlacement::Screen> screens =
        m_desktop.screens ? m_desktop.screens() : QList<BubblePlacement::Screen>();
    const std::optional<QPointF> mouse = m_desktop.mouse ? m_desktop.mouse() : std::nullopt;
    // The point 10 points above the panel's bottom edge, at its middle.
    const QPointF probe(origin.x() + kSize.width() * 0.5, origin.y() + kSize.height() - 10);
    bool mouseScreen = false;
    if (mouse)
        for (const BubblePlacement::Screen& screen : screens)
            if (screen.frame.contains(*mouse)) {
                mouseScreen = screen.frame.contains(probe);
                break;
            }
    const QRect frame = m_panel ? m_panel->geometry() : QRect(origin, kSize);
    bool intersects = false;
    for (const BubblePlacement::Screen& screen : screens)
        intersects = intersects || screen.frame.intersects(QRectF(frame));
    return QStringLiteral("show(%1) rule=%2 mouseScreen=%3 size=%4x%5 origin=(%6,%7) frame={{%8, %9}, {%10, %11}} "
                          "visible=%12 onScreen=%13 intersectsADisplay=%14 alpha=%15 level=%16 screens=%17")
        .arg(toString(mode), BubblePlacement::toString(m_lastRule), yesNo(mouseScreen))
        .arg(kSize.width())
        .arg(kSize.height())
        .arg(origin.x())
        .arg(origin.y())
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height())
        .arg(yesNo(m_panel && m_panel->isVisible()), yesNo(isOnScreen()), yesNo(intersects))
        .arg(m_panel ? m_panel->windowOpacity() : 1.0)
        .arg(kWindowLevel)
        .arg(screens.size());
}

void BubblePanel::captureRegion(const QString& path) {
    if (!m_panel)
        return;
    const QRect frame = m_panel->geometry();
    QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::printf("[QV] capture failed: no screen\n");
        std::fflush(stdout);
        return;
    }
    const QRect source = frame.adjusted(-kCaptureMargin, -kCaptureMargin, kCaptureMargin, kCaptureMargin);
    const QRect local = source.translated(-screen->geometry().topLeft());
    const QPixmap grabbed = screen->grabWindow(0, local.x(), local.y(), local.width(), local.height());
    if (grabbed.isNull()) {
        std::printf("[QV] capture failed: the screen could not be read\n");
        std::fflush(stdout);
        return;
    }
    const QPixmap scaled =
        grabbed.scaled(source.size() * kCaptureScale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!scaled.save(path, "PNG"))
        return;
    std::printf("[QV] captured %s\n", qPrintable(path));
    std::fflush(stdout);
}

void BubblePanel::trace(const QString& message) const {
    if (m_desktop.trace)
        m_desktop.trace(message);
}
