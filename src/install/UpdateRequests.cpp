#include "install/UpdateRequests.h"

#include <QNetworkReply>
#include <QTimer>

Q_LOGGING_CATEGORY(lcUpdate, "quorvane.update")

namespace UpdateRequests {

QNetworkRequest makeRequest(const QUrl& url, std::chrono::milliseconds stallTimeout,
                            const std::optional<QSslConfiguration>& ssl) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // https to https only: a redirect to plain http is refused.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(int(stallTimeout.count()));
    if (ssl)
        request.setSslConfiguration(*ssl);
    return request;
}

void abortAfter(QNetworkReply* reply, std::chrono::milliseconds deadline) {
    QTimer::singleShot(deadline, reply, [reply] {
        if (reply->isRunning())
            reply->abort();
    });
}

bool isHttps(const QUrl& url) {
    return url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty();
}

bool answeredOk(QNetworkReply* reply) {
    return reply->error() == QNetworkReply::NoError
           && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200 && isHttps(reply->url());
}

} // namespace UpdateRequests
