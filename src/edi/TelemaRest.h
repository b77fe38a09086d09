#pragma once

#include "net/HttpClient.h"

#include <QByteArray>
#include <QString>

class Registry;
struct ExchangeContext;

// The [Telema] values, read afresh at the start of every run.
struct TelemaOptions {
    QString RESTHttps;  // base address with the API prefix and a trailing "/"
    QString ClientID;
    QString SecretKey;
    bool SanPZImports = false;    // received invoices in
    bool PasutImports = false;    // customer orders in
    bool PasutExports = false;    // purchase orders out
    bool IzrPZExports = false;    // issued invoices out
    bool SanNeapstiprin = false;  // received invoices stored as not yet confirmed
    int Isnodala = 0;
    int PasutijumaDatumaFlag = 0;
    int KlientaAtpazisana = 0;

    // False when the key does not open (the given values then stay). A missing boolean or
    // integer throws RegistryError and changes nothing.
    bool read(Registry& registry);
};

struct TelemaTimeouts {
    int connectMs = 30000;
    int readMs = 120000;
};

// The connection to Telema's REST API: the access token and the authorised requests of
// every Telema operation. The token lives in memory only and is replaced by each successful
// token request.
class TTelemaRest {
public:
    explicit TTelemaRest(ExchangeContext& context, TelemaTimeouts timeouts = {});

    TelemaOptions& options() { return options_; }
    const TelemaOptions& options() const { return options_; }
    void setTimeouts(TelemaTimeouts timeouts) { timeouts_ = timeouts; }

    // True when a token was obtained; otherwise the reason has been logged (and a transport
    // failure reported through the error handler).
    bool GetAcessToken();
    const QString& token() const { return token_; }

    // One authorised request to RESTHttps + path; the body goes as JSON. Throws NetError on a
    // transport failure, and when there is no token to send.
    HttpResponse execute(const QByteArray& method, const QString& path, const QByteArray& jsonBody = {});

    // {"clientId": "...","clientSecret": "..."}
    static QByteArray tokenBody(const QString& clientId, const QString& secretKey);
    // The token of a token reply: the compact form is read by position, anything else with
    // the JSON parser. Empty when the reply carries none.
    static QString tokenFrom(const QString& reply);
    // A JSON string literal, quotes included.
    static QByteArray jsonString(const QString& text);

private:
    HttpRequest request(const QByteArray& method, const QString& path, const QByteArray& jsonBody) const;

    ExchangeContext& ctx_;
    TelemaTimeouts timeouts_;
    TelemaOptions options_;
    QString token_;
};
