#include "selftests/SelfTestRun.h"
#include "selftests/SelfTestText.h"
#include "selftests/SelfTests.h"

#include "dictation/DictationController.h"
#include "insertion/AXText.h"
#include "insertion/InsertionAccess.h"
#include "state/AppState.h"
#include "support/Defaults.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace SelfTests {
namespace {

using namespace std::chrono_literals;
using SelfTestText::boolean;

constexpr auto kBeforeStart = 2000ms;
constexpr auto kAfterStart = 1500ms;
constexpr auto kSpeaking = 2000ms;
constexpr auto kAfterStop = 1000ms;
// The stored dictation key when there is none: D.
constexpr qint64 kDefaultDictationKey = 2;

std::optional<QRectF> asRectF(const std::optional<QRect>& rect) {
    return rect ? std::optional<QRectF>(QRectF(*rect)) : std::nullopt;
}

QString line(const QString& text) { return text + QLatin1Char('\n'); }

// The screens in the system's order, then the program's panels, one line each.
QString desktopLines() {
    QString text;
    QList<QRectF> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens << QRectF(screen->geometry());
        text += line(QStringLiteral("screen: %1 main=%2")
                         .arg(SelfTestText::rect(screens.last()), boolean(screen == QGuiApplication::primaryScreen())));
    }
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window->windowType() != Qt::Tool)
            continue;
        const QRectF frame(window->frameGeometry());
        const bool onScreen = std::any_of(screens.cbegin(), screens.cend(),
                                          [&frame](const QRectF& screen) { return screen.intersects(frame); });
        text += line(QStringLiteral("panel: %1 visible=%2 alpha=%3 onScreen=%4")
                         .arg(SelfTestText::rect(frame), boolean(window->isVisible()),
                              SelfTestText::decimal(window->windowOpacity()), boolean(onScreen)));
    }
    return text;
}

// One dictation from start to stop, with what the program did along it.
class DictationCheck : public SelfTestRun {
public:
    DictationCheck(QString path, DictationController& dictation) : m_path(std::move(path)), m_dictation(dictation) {}

    void dictate() {
        after(kBeforeStart, [this] { start(); });
    }

private:
    void start() {
        const qint64 key = Defaults::shared().integer(QStringLiteral("dictationKey")).value_or(kDefaultDictationKey);
        m_text += line(QStringLiteral("hotkeyDictation=%1").arg(key));
        m_text += line(QStringLiteral("axTrusted=") + boolean(InsertionAccess::canPaste()));
        m_text += line(QStringLiteral("caretRect=") + SelfTestText::rect(asRectF(AXText::selectionScreenRect())));
        m_text += line(QStringLiteral("focusedWindowRect=") + SelfTestText::rect(asRectF(AXText::focusedWindowRect())));
        m_dictation.toggle().then(this, [this] { after(kAfterStart, [this] { listening(); }); });
    }

    void listening() {
        const AppState& state = AppState::shared();
        m_text += line(QStringLiteral("afterToggle: isRecording=%1 bubbleMode=%2")
                           .arg(boolean(state.isRecording()), toString(state.bubbleMode())));
        m_text += line(QStringLiteral("flashMessage=")
                       + (state.flashMessage().isEmpty() ? QStringLiteral("(none)") : state.flashMessage()));
        m_text += desktopLines();
        // The stop inserts the text as any dictation does.
        after(kSpeaking,
              [this] { m_dictation.toggle().then(this, [this] { after(kAfterStop, [this] { finish(); }); }); });
    }

    void finish() {
        const AppState& state = AppState::shared();
        m_text += line(
            QStringLiteral("afterStop: bubbleMode=%1 final=%2").arg(toString(state.bubbleMode()), state.finalText()));
        SelfTestText::write(m_path, m_text);
        end();
    }

    const QString m_path;
    DictationController& m_dictation;
    QString m_text;
};

} // namespace

void dictateOnce(const QString& path, DictationController& dictation) {
    SelfTestRun::begin<DictationCheck>(path, dictation)->dictate();
}

} // namespace SelfTests
