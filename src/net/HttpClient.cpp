#include "HttpClient.h"

#include <QUrl>
#include <chrono>
#include <curl/curl.h>
#include <mutex>

namespace {

void globalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t collectBody(char* data, size_t size, size_t count, void* target)
{
    static_cast<QByteArray*>(target)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

size_t collectHeader(char* data, size_t size, size_t count, void* target)
{
    auto* headers = static_cast<QList<QPair<QByteArray, QByteArray>>*>(target);
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(size * count)).trimmed();
    if (line.startsWith("HTTP/"))
        headers->clear();  // a new response (after a redirect or 100-continue)
    const int colon = line.indexOf(':');
    if (colon > 0)
        headers->append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    return size * count;
}

// The read time-out: a transfer ends when, once connected, no byte has moved for idleMs.
struct IdleWatch {
    CURL* curl = nullptr;
    qint64 idleMs = 0;
    curl_off_t moved = -1;
    std::chrono::steady_clock::time_point since;
    bool expired = false;
};

int watchIdle(void* target, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow)
{
    auto* w = static_cast<IdleWatch*>(target);
    curl_off_t connectedUs = 0;
    curl_easy_getinfo(w->curl, CURLINFO_CONNECT_TIME_T, &connectedUs);
    if (connectedUs == 0)
        return 0;  // still connecting: the connect time-out governs
    const auto now = std::chrono::steady_clock::now();
    if (dlNow + ulNow != w->moved) {
        w->moved = dlNow + ulNow;
        w->since = now;
        return 0;
    }
    if (std::chrono::duration_cast<std::chrono::milliseconds>(now - w->since).count() >= w->idleMs) {
        w->expired = true;
        return 1;  // aborts the transfer
    }
    return 0;
}

}  // namespace

QByteArray HttpResponse::header(const QByteArray& name) const
{
    for (const auto& h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return {};
}

HttpResponse HttpClient::send(const HttpRequest& request)
{
    globalInit();
    CURL* curl = curl_easy_init();
    if (!curl)
        throw NetError(QStringLiteral("Cannot start an HTTP request"));

    HttpResponse response;
    char errorBuffer[CURL_ERROR_SIZE] = {0};
    curl_slist* headerList = nullptr;
    for (const auto& h : request.headers)
        headerList = curl_slist_append(headerList, (h.first + ": " + h.second).constData());
    // libcurl would add "Expect: 100-continue" to larger bodies; services here do not need it.
    headerList = curl_slist_append(headerList, "Expect:");

    const QByteArray url = request.url.toUtf8();
    const QByteArray user = request.user.toUtf8();
    const QByteArray password = request.password.toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.constData());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeoutMs));
    if (request.totalTimeoutMs > 0)
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(request.totalTimeoutMs));
    IdleWatch idle;
    idle.curl = curl;
    idle.idleMs = request.timeoutMs;
    if (request.timeoutMs > 0) {
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, watchIdle);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &idle);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, collectHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response.headers);
    if (!request.body.isEmpty() || request.method == "POST" || request.method == "PUT") {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    }
    if (!request.user.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }

    const CURLcode rc = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headerList);
    curl_easy_cleanup(curl);

    if (rc != CURLE_OK) {
        QString detail = errorBuffer[0] ? QString::fromUtf8(errorBuffer) : QString::fromUtf8(curl_easy_strerror(rc));
        if (idle.expired)
            detail = QStringLiteral("Timed out: no data for %1 ms").arg(request.timeoutMs);
        // The address may carry a query but never a credential; the host part is enough.
        throw NetError(QStringLiteral("%1 (%2)").arg(detail, QUrl(request.url).host()));
    }
    response.status = static_cast<int>(status);
    return response;
}

HttpResponse HttpClient::get(const QString& url, const QList<QPair<QByteArray, QByteArray>>& headers)
{
    HttpRequest r;
    r.url = url;
    r.headers = headers;
    return send(r);
}

HttpResponse HttpClient::post(const QString& url, const QByteArray& body,
                              const QList<QPair<QByteArray, QByteArray>>& headers)
{
    HttpRequest r;
    r.method = "POST";
    r.url = url;
    r.body = body;
    r.headers = headers;
    return send(r);
}

QString HttpClient::encode(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}
