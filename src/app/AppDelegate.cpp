#include "app/AppDelegate.h"

#include "app/NoteDocument.h"
#include "looks/DockIcon.h"
#include "support/Defaults.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QWidget>
#include <QtConcurrent>

namespace {

void run(const std::function<void()>& step) {
    if (step)
        step();
}

QFuture<void> started(const std::function<QFuture<void>()>& step) {
    return step ? step() : QtFuture::makeReadyFuture();
}

void task(const std::function<void()>& step) {
    if (step)
        QTimer::singleShot(0, QCoreApplication::instance(), step);
}

void detached(const std::function<void()>& step) {
    if (step) {
        QThreadPool::globalInstance()->start([step] {
            QThread::currentThread()->setPriority(QThread::LowPriority);
            step();
        });
    }
}

} // namespace

AppDelegate::AppDelegate(LaunchSteps steps, Defaults& defaults, QProcessEnvironment environment, QObject* parent)
    : QObject(parent), m_steps(std::move(steps)), m_defaults(defaults), m_environment(std::move(environment)) {
    m_documentReads.setMaxThreadCount(1);
    m_updateCheck.setSingleShot(true);
    connect(&m_updateCheck, &QTimer::timeout, this, [this] {
        if (m_defaults.boolean(QStringLiteral("autoCheckUpdates")) == false)
            return;
        run(m_steps.checkForUpdates);
    });
}

AppDelegate::~AppDelegate() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void AppDelegate::applicationDidFinishLaunching() {
    run(m_steps.connectDictation);
    run(m_steps.restoreLeftoverVolume);
    run(m_steps.warmDictionary);
    detached(m_steps.sendWordsOnceReady);
    if (m_steps.translationAvailable && m_steps.translationAvailable())
        task(m_steps.refreshTranslationCatalog);
    run(m_steps.followTranslationGate);
    run(m_steps.ignoreBrokenPipe);
    run(m_steps.applyAppearance);
    run(m_steps.dockStart);
    run(m_steps.dockRefreshPolicy);
    run(m_steps.migrateEngineFolder);
    detached(m_steps.removeRetiredModels);
    run(m_steps.migrateSettings);

    task(m_steps.considerReviewPrompt);
    if (m_steps.startPhoneLink)
        task([this] {
            if (m_steps.phoneLinkEnabled && m_steps.phoneLinkEnabled())
                m_steps.startPhoneLink();
        });
    if (m_steps.checkForUpdates)
        m_updateCheck.start(m_updateCheckDelayMs);

    // Closing a window that can be the main window re-evaluates the taskbar presence.
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);

    task(m_steps.registerHotkeys);
    if (m_steps.setHoverReading)
        task([this] { m_steps.setHoverReading(m_defaults.boolOr(QStringLiteral("hoverReadEnabled"), false)); });

    // The engine check starts an interpreter, which a broken environment can
    // hang: it runs on the thread pool and the launch does not wait for it.
    if (!m_defaults.boolOr(QStringLiteral("onboardingDone"), false))
        startEngineOrOnboarding(false);
    else if (m_steps.checkEngine)
        m_steps.checkEngine().then(this, [this](bool exists) {
            if (!m_terminated)
                startEngineOrOnboarding(exists);
        });
    else
        startEngineOrOnboarding(true);

    run(m_steps.watchLanguageModelMemory);
    task(m_steps.startLanguageModelServer);
    run(m_steps.startSelectionCleanup);
    run(m_steps.runSelfTests);
    run(m_steps.prepareFirstTake);
}

void AppDelegate::startEngineOrOnboarding(bool engineExists) {
    if (engineExists && (!m_steps.modelsComplete || m_steps.modelsComplete())) {
        task(m_steps.startSpeechServer);
        if (launchShouldOpenWindow())
            task(m_steps.showMainWindow);
    } else if (m_steps.showOnboarding) {
        task(m_steps.showOnboarding);
    } else if (m_steps.trace) {
        m_steps.trace(QStringLiteral("launch: the speech engine is not installed; nothing started"));
    }
}

bool AppDelegate::applicationShouldHandleReopen() {
    run(m_steps.showMainWindow);
    return true;
}

void AppDelegate::openDocuments(const QStringList& paths) {
    QStringList documents;
    for (const QString& path : paths)
        if (QFileInfo(path).suffix() == QLatin1String("quorvane"))
            documents << path;
    if (documents.isEmpty())
        return;
    QtConcurrent::run(&m_documentReads, [documents] {
        QList<NoteDocument::Read> reads;
        for (const QString& path : documents)
            reads << NoteDocument::read(path);
        return reads;
    }).then(this, [this, documents](const QList<NoteDocument::Read>& reads) {
        QStringList problems;
        for (qsizetype i = 0; i < reads.size(); ++i) {
            if (!reads[i].data)
                problems
                    << QStringLiteral("\u201c%1\u201d: %2").arg(QFileInfo(documents[i]).fileName(), reads[i].problem);
            else if (m_steps.importNotes)
                m_steps.importNotes(*reads[i].data);
        }
        if (problems.isEmpty() || !m_steps.tell)
            return;
        Alert alert;
        alert.style = Alert::Style::Warning;
        alert.title = problems.size() == 1 ? QStringLiteral("A document could not be opened")
                                           : QStringLiteral("Some documents could not be opened");
        alert.text = problems.join(QLatin1Char('\n'));
        alert.buttons = {QStringLiteral("OK")};
        m_steps.tell(alert, [](int) {});
    });
}

QFuture<void> AppDelegate::prepareToQuit() {
    if (m_terminated)
        return QtFuture::makeReadyFuture();
    m_terminated = true;
    m_updateCheck.stop();
    run(m_steps.endEngineSetup);
    QList<QFuture<void>> waits;
    waits.append(started(m_steps.putBackClipboard));
    run(m_steps.stopReading);
    // A dictation under way leaves the output ducked: stop it and bring the volume back.
    run(m_steps.stopRecording);
    run(m_steps.restoreVolume);
    waits.append(started(m_steps.endSpeechServer));
    waits.append(started(m_steps.stopLanguageModelServer));
    return QtFuture::whenAll(waits.begin(), waits.end()).then([](const QList<QFuture<void>>&) {});
}

void AppDelegate::applicationWillTerminate() { (void)prepareToQuit(); }

bool AppDelegate::shouldOpenWindowAtLaunch(const QProcessEnvironment& environment, std::optional<bool> setting) {
    const bool result = setting.value_or(true);
    if (environment.contains(QStringLiteral("QV_SETUP_STATE")))
        return false;
    if (environment.value(QStringLiteral("QV_GLASS_TEST")) == QLatin1String("1"))
        return false;
    if (environment.value(QStringLiteral("QV_DIAG_TEST")) == QLatin1String("1"))
        return false;
    return result;
}

bool AppDelegate::launchShouldOpenWindow() const {
    return shouldOpenWindowAtLaunch(m_environment, m_defaults.boolean(QStringLiteral("openWindowAtLaunch")));
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && m_steps.dockRefreshPolicy) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && DockIcon::canBecomeMain(*widget))
            QTimer::singleShot(0, this, [this] { m_steps.dockRefreshPolicy(); });
    }
    return QObject::eventFilter(watched, event);
}
