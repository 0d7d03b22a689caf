#include "engine/RecognizerBias.h"

#include "engine/EngineHttp.h"
#include "engine/MlxServer.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QPromise>
#include <QTimer>

namespace {

const QString kBiasPath = QStringLiteral("v1/quorvane/bias");
const QString kModelsPath = QStringLiteral("v1/models");
constexpr int kFirstServerError = 500;

} // namespace

RecognizerBias::RecognizerBias(QUrl baseUrl, WordSource words, QObject* parent)
    : QObject(parent), m_baseUrl(std::move(baseUrl)), m_words(std::move(words)) {}

void RecognizerBias::follow(MlxServer& server) {
    connect(&server, &MlxServer::launchedServerReady, this, [this] { enqueue(m_words()); });
}

QStringList RecognizerBias::lastSent() const {
    QMutexLocker locker(&m_lock);
    return m_lastSent;
}

QByteArray RecognizerBias::body(const QStringList& words) {
    QJsonObject object;
    object.insert(QStringLiteral("words"), QJsonArray::fromStringList(words));
    object.insert(QStringLiteral("boost"), kBoost);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void RecognizerBias::push(bool force) {
    const QStringList words = m_words();
    {
        QMutexLocker locker(&m_lock);
        if (!force && words == m_lastSent)
            return;
        m_lastSent = words;
    }
    QMetaObject::invokeMethod(
        this, [this, words] { enqueue(words); }, Qt::QueuedConnection);
}

void RecognizerBias::enqueue(const QStringList& words) {
    m_waiting = words;
    if (!m_sending)
        sendNext();
}

void RecognizerBias::sendNext() {
    if (!m_waiting) {
        m_sending = false;
        return;
    }
    m_sending = true;
    const QStringList words = *std::exchange(m_waiting, std::nullopt);
    QNetworkRequest request(m_baseUrl.resolved(QUrl(kBiasPath)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    EngineHttp::send(request, "POST", body(words), int(kSendTimeout.count())).then(this, [this](const HttpAnswer&) {
        sendNext();
    });
}

QFuture<bool> RecognizerBias::sendOnceReady() {
    auto promise = std::make_shared<QPromise<bool>>();
    promise->start();
    QFuture<bool> result = promise->future();
    QMetaObject::invokeMethod(
        this, [this, promise] { probe(kMaxProbes, promise); }, Qt::QueuedConnection);
    return result;
}

void RecognizerBias::probe(int remaining, const std::shared_ptr<QPromise<bool>>& promise) {
    const auto finish = [promise](bool sent) {
        promise->addResult(sent);
        promise->finish();
    };
    if (remaining <= 0) {
        finish(false);
        return;
    }
    QNetworkRequest request(m_baseUrl.resolved(QUrl(kModelsPath)));
    EngineHttp::send(request, "GET", {}, int(kProbeTimeout.count()))
        .then(this, [this, remaining, promise, finish](const HttpAnswer& answer) {
            const bool ready = !answer.transportFailed && answer.status < kFirstServerError;
            if (ready) {
                enqueue(m_words());
                finish(true);
            } else if (remaining > 1) {
                QTimer::singleShot(m_probePause, this, [this, remaining, promise] { probe(remaining - 1, promise); });
            } else {
                finish(false);
            }
        });
}
