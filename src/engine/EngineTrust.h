#pragma once

#include <QProcessEnvironment>
#include <QString>

// The environment of every engine child process: the program's certificate
// list exported so that the Python side's downloads trust the same authorities.
namespace EngineTrust {

// The resource "cacert.pem", or an empty string when the program carries none.
QString bundledList();
// `environment` with "SSL_CERT_FILE" and "REQUESTS_CA_BUNDLE" set to `list`
// when it names an existing file; otherwise `environment` unchanged.
QProcessEnvironment environment(QProcessEnvironment environment, const QString& list);

} // namespace EngineTrust
