#include "install/ReviewPrompt.h"

#include "install/BuildValues.h"
#include "install/Updater.h"
#include "platform/Platform.h"
#include "platform/UrlOpener.h"
#include "stores/StatsStore.h"
#include "support/Defaults.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>
#include <QWidget>

ReviewPrompt::Services ReviewPrompt::Services::standard(Defaults& settings, const StatsStore& stats) {
    return Services{
        &settings,
        [&stats] { return stats.totals().words; },
        [](std::chrono::milliseconds delay, std::function<void()> work) {
            QTimer::singleShot(delay, qApp, std::move(work));
        },
        messageBoxPresenter(),
        [] {
            if (QWidget* window = QApplication::activeWindow())
                window->activateWindow();
        },
    };
}

ReviewPrompt::ReviewPrompt(Services services, QObject* parent) : QObject(parent), m_services(std::move(services)) {}

void ReviewPrompt::considerAsking() {
    if (!QCoreApplication::instance() || m_services.settings->boolOr(QLatin1String(kShownKey), false))
        return;
    const qint64 words = m_services.wordsTotal ? m_services.wordsTotal() : 0;
    if (words < kWordsThreshold)
        return;
    // The total is read once: the text shows what the decision was made on.
    m_services.schedule(std::chrono::duration_cast<std::chrono::milliseconds>(kDelay), [this, words] { ask(words); });
}

void ReviewPrompt::ask(qint64 words) {
    if (m_services.settings->boolOr(QLatin1String(kShownKey), false))
        return;
    // Set before the alert shows: quitting during it ends the prompt too.
    m_services.settings->set(QLatin1String(kShownKey), true);
    if (m_services.activate)
        m_services.activate();
    Alert alert;
    alert.style = Alert::Style::Informational;
    alert.title = tr("Is Quorvane working for you?");
    alert.text = QStringLiteral("You have dictated ") + QLocale().toString(words)
                 + QStringLiteral(" words with it. If it has been useful, a few lines about what you use it for helps "
                                  "more than anything else we could do. This is the only time we will ask.");
    alert.buttons = {tr("Leave a review"), tr("Not now")};
    m_services.present(alert, [](int button) {
        if (button == 0)
            openPage(QStringLiteral("prompt"));
    });
}

QUrl ReviewPrompt::pageUrl(const QString& version, const QString& reason) {
    QUrl url = BuildValues::site();
    if (!url.isValid())
        return {};
    url.setPath(QStringLiteral("/review"));
    // Written out: an empty "v" still carries its "=".
    url.setQuery(QStringLiteral("v=") + QString::fromLatin1(QUrl::toPercentEncoding(version)) + QStringLiteral("&from=")
                     + QString::fromLatin1(QUrl::toPercentEncoding(reason)),
                 QUrl::StrictMode);
    return url;
}

void ReviewPrompt::openPage(const QString& reason) {
    const QUrl url = pageUrl(Updater::currentVersion(), reason);
    UrlOpener* opener = Platform::current().urlOpener;
    if (url.isValid() && opener)
        (void)opener->open(url);
}
