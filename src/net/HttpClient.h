#pragma once

#include "NetError.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

struct HttpRequest {
    QByteArray method = "GET";
    QString url;                                   // already encoded (see HttpClient::encode)
    QList<QPair<QByteArray, QByteArray>> headers;  // sent as given, in this order
    QByteArray body;
    QString user;                                  // HTTP Basic when not empty
    QString password;
    int connectTimeoutMs = 30000;
    // Read time-out: the call ends when no byte moves either way for this long. A large
    // reply that keeps arriving may take longer than this in all.
    int timeoutMs = 120000;
    // The generous cap on the whole call, so that a peer trickling bytes cannot hold it for ever.
    int totalTimeoutMs = 30 * 60 * 1000;
};

struct HttpResponse {
    int status = 0;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray header(const QByteArray& name) const;
    QString text() const { return QString::fromUtf8(body); }
};

// The one HTTP client (libcurl, blocking). TLS peers are verified. It logs nothing, so
// neither a password nor a token can reach the log through it.
class HttpClient {
public:
    HttpResponse send(const HttpRequest& request);

    HttpResponse get(const QString& url, const QList<QPair<QByteArray, QByteArray>>& headers = {});
    HttpResponse post(const QString& url, const QByteArray& body,
                      const QList<QPair<QByteArray, QByteArray>>& headers = {});

    // Percent-encodes a query value or path segment (RFC 3986 unreserved characters stay).
    static QString encode(const QString& text);
};
