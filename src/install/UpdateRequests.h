#pragma once

// How the update's HTTPS requests are made and judged, for the manifest and
// the download alike.
#include <QLoggingCategory>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QUrl>

#include <chrono>
#include <optional>

class QNetworkReply;

Q_DECLARE_LOGGING_CATEGORY(lcUpdate)

namespace UpdateRequests {

QNetworkRequest makeRequest(const QUrl& url, std::chrono::milliseconds stallTimeout,
                            const std::optional<QSslConfiguration>& ssl);

// Ends `reply` once `deadline` has passed, however steadily its bytes trickle
// in: a transfer time-out alone only notices a server that falls silent.
void abortAfter(QNetworkReply* reply, std::chrono::milliseconds deadline);

bool isHttps(const QUrl& url);

// Whether `reply` answered 200 over https, without an error.
bool answeredOk(QNetworkReply* reply);

} // namespace UpdateRequests
