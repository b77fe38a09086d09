#include "Papildlogsform.h"

#include <QElapsedTimer>

void TPapildlogs::ResetRequest()
{
    headers_.clear();
    bodyParameters_.clear();
    body_.clear();
    contentType_.clear();
}

void TPapildlogs::AddHeader(const QByteArray& name, const QByteArray& value)
{
    headers_.append({name, value});
}

void TPapildlogs::AddBodyParameter(const QString& name, const QString& value)
{
    bodyParameters_.append({name, value});
}

void TPapildlogs::SetBody(const QByteArray& body, const QByteArray& contentType)
{
    body_ = body;
    contentType_ = contentType;
}

const HttpResponse& TPapildlogs::Execute()
{
    HttpRequest r;
    r.method = "POST";
    r.url = baseUrl_;
    r.headers = headers_;
    r.connectTimeoutMs = timeoutMs_;
    r.timeoutMs = timeoutMs_;
    QByteArray contentType = contentType_;
    if (!bodyParameters_.isEmpty()) {
        // Encoded, so that a secret holding '&', '+', '=' or '%' reaches the service unchanged.
        QByteArray form;
        for (const auto& p : bodyParameters_) {
            if (!form.isEmpty())
                form += '&';
            form += HttpClient::encode(p.first).toLatin1() + '=' + HttpClient::encode(p.second).toLatin1();
        }
        r.body = form;
        contentType = "application/x-www-form-urlencoded";
    } else {
        r.body = body_;
    }
    bool typed = false;
    for (const auto& h : r.headers)
        typed = typed || h.first.compare("Content-Type", Qt::CaseInsensitive) == 0;
    if (!typed && !contentType.isEmpty())
        r.headers.append({"Content-Type", contentType});

    sent_ = r;
    response_ = HttpResponse();
    QElapsedTimer waited;
    waited.start();
    try {
        response_ = client_.send(r);
    } catch (const NetError& e) {
        // Whatever the transport calls it, a failure that cost the whole time-out is a
        // service that does not answer: the caller should not wait that long again.
        // (A little slack: the transport's clock starts after ours but rounds differently.)
        if (waited.elapsed() >= timeoutMs_ - timeoutMs_ / 20)
            throw D365Timeout(e.message());
        throw;
    }
    return response_;
}
