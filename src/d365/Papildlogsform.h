#pragma once

#include "net/HttpClient.h"
#include "net/NetError.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// A call that failed only after the whole time-out: the service hangs rather than refuses.
class D365Timeout : public NetError {
    using NetError::NetError;
};

// The D365 transport: one client, one request and one response, shared by every call of
// a run. It once sat on an auxiliary form that was never shown; here it is a plain object.
class TPapildlogs {
public:
    // Connect and read time-out of every D365 call: the wait for the connection and for the
    // next data, not a cap on a whole reply (a first product list takes longer).
    static constexpr int kTimeoutMs = 180000;
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }  // tests shorten it

    // Tests shorten it; a hanging service is found out no sooner than this.
    void SetTimeout(int ms) { timeoutMs_ = ms; }
    int Timeout() const { return timeoutMs_; }

    // Back to the defaults before every call (no parameters, no body), so nothing left
    // from an earlier call, an address or an authorization, takes part in the next.
    void ResetRequest();
    void SetBaseURL(const QString& url) { baseUrl_ = url; }
    void AddHeader(const QByteArray& name, const QByteArray& value);
    // A form field of the POST body; the value is percent-encoded when the body is built.
    void AddBodyParameter(const QString& name, const QString& value);
    void SetBody(const QByteArray& body, const QByteArray& contentType);

    // POSTs the request to the base address. The reply lands in RESTResponseD365(), also
    // for error statuses; a transport failure throws NetError and leaves an empty reply,
    // D365Timeout when it came only after the whole time-out.
    const HttpResponse& Execute();

    // What the last Execute() sent and received.
    const HttpRequest& RESTRequestD365() const { return sent_; }
    const HttpResponse& RESTResponseD365() const { return response_; }
    // A list reply of tens of megabytes is not kept once it is read.
    void ReleaseResponseBody()
    {
        response_.body.clear();
        response_.body.squeeze();
    }

private:
    HttpClient client_;
    int timeoutMs_ = kTimeoutMs;
    QString baseUrl_;
    QList<QPair<QByteArray, QByteArray>> headers_;
    QList<QPair<QString, QString>> bodyParameters_;
    QByteArray body_;
    QByteArray contentType_;
    HttpRequest sent_;
    HttpResponse response_;
};
