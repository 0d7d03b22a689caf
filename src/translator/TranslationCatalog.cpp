#include "translator/TranslationCatalog.h"

#include "platform/Platform.h"
#include "support/SharedInstance.h"
#include "translator/TranslationGate.h"
#include "translator/Translator.h"

#include <QGuiApplication>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

struct TranslationCatalog::Pending {
    QPromise<void> promise;
    Pending() { promise.start(); }
    ~Pending() {
        if (!promise.future().isFinished())
            promise.finish();
    }
};

const QStringList& TranslationCatalog::candidates() {
    static const QStringList codes = {
        QStringLiteral("en"),      QStringLiteral("es"), QStringLiteral("fr"), QStringLiteral("de"),
        QStringLiteral("it"),      QStringLiteral("pt"), QStringLiteral("nl"), QStringLiteral("pl"),
        QStringLiteral("ru"),      QStringLiteral("uk"), QStringLiteral("tr"), QStringLiteral("ar"),
        QStringLiteral("hi"),      QStringLiteral("ja"), QStringLiteral("ko"), QStringLiteral("zh-Hans"),
        QStringLiteral("zh-Hant"), QStringLiteral("th"), QStringLiteral("vi"), QStringLiteral("id"),
    };
    return codes;
}

TranslationCatalog::Lists TranslationCatalog::check(const OnDeviceTranslator::PairSnapshot& pairs,
                                                    const QString& target) {
    using Status = OnDeviceTranslator::PairStatus;
    Lists lists;
    for (const QString& code : candidates()) {
        if (code != target && pairs.status(code, target) == Status::Installed)
            lists.sources.append(code);
    }
    // A language can be read into when English or one of the sources reaches it.
    const QStringList pivots = QStringList{QStringLiteral("en")} + lists.sources;
    for (const QString& code : candidates()) {
        for (const QString& pivot : pivots) {
            if (pivot != code && pairs.status(pivot, code) == Status::Installed) {
                lists.targets.append(code);
                break;
            }
        }
    }
    return lists;
}

TranslationCatalog::Services TranslationCatalog::Services::standard() {
    Services services;
    services.translator = [] { return Platform::current().onDeviceTranslator; };
    services.typeTarget = [] { return Translator::typeTarget(); };
    services.now = [] { return Clock::now(); };
    services.runCheck = [](std::function<Lists()> check) { return QtConcurrent::run(std::move(check)); };
    return services;
}

// The languages on offer, read by the translator's free functions.
TranslationCatalog& TranslationCatalog::shared() { return SharedInstance<TranslationCatalog>::get(); }

TranslationCatalog::TranslationCatalog(Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services)) {}

QFuture<void> TranslationCatalog::refresh(bool force) {
    OnDeviceTranslator* translator = m_services.translator ? m_services.translator() : nullptr;
    if (!translator || !translator->isAvailable()) {
        // The last pair has gone: nothing is ready any more.
        if (!m_refreshing && m_lists != Lists{})
            finish(m_services.typeTarget(), Lists{});
        return QtFuture::makeReadyFuture();
    }
    const QString target = m_services.typeTarget();
    if (m_refreshing) {
        // The running refresh may already have read the pairs or the target this
        // call is about: run once more after it rather than dropping the request.
        if (!force && target == m_runningTarget)
            return QtFuture::makeReadyFuture();
        if (!m_queued)
            m_queued = std::make_shared<Pending>();
        return m_queued->promise.future();
    }
    // The lists belong to the target they were checked for.
    if (!force && m_lastRefresh && m_lastTarget == target && m_services.now() - *m_lastRefresh < kThrottle)
        return QtFuture::makeReadyFuture();
    m_running = std::make_shared<Pending>();
    QFuture<void> done = m_running->promise.future();
    start(target);
    return done;
}

void TranslationCatalog::start(const QString& target) {
    OnDeviceTranslator* translator = m_services.translator ? m_services.translator() : nullptr;
    m_refreshing = true;
    m_runningTarget = target;
    if (!translator) {
        finish(target, m_lists);
        return;
    }
    m_services
        .runCheck([translator, target] {
            const std::unique_ptr<OnDeviceTranslator::PairSnapshot> pairs = translator->snapshot();
            return pairs ? check(*pairs, target) : Lists{};
        })
        .then(this, [this, target](const Lists& lists) { finish(target, lists); })
        .onCanceled(this, [this, target] { finish(target, m_lists); });
}

void TranslationCatalog::finish(const QString& target, const Lists& lists) {
    const bool sourcesDiffer = lists.sources != m_lists.sources;
    const bool targetsDiffer = lists.targets != m_lists.targets;
    m_lists.sources = lists.sources;
    if (sourcesDiffer)
        emit sourcesChanged();
    m_lists.targets = lists.targets;
    if (targetsDiffer)
        emit targetsChanged();
    if (!m_hasChecked) {
        m_hasChecked = true;
        emit hasCheckedChanged();
    }
    m_lastRefresh = m_services.now();
    m_lastTarget = target;
    m_refreshing = false;
    std::shared_ptr<Pending> finished = std::exchange(m_running, nullptr);
    if (finished)
        finished->promise.finish();
    if (std::shared_ptr<Pending> queued = std::exchange(m_queued, nullptr)) {
        m_running = queued;
        start(m_services.typeTarget());
    }
}

void TranslationCatalog::observe(TranslationGate& gate) {
    if (m_observing)
        return;
    m_observing = true;
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                (void)refresh(false);
        });
    }
    connect(&gate, &TranslationGate::pairsChanged, this, [this] { (void)refresh(true); });
    gate.watch();
}
