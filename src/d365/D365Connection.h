#pragma once

#include "D365Record.h"
#include "Papildlogsform.h"

#include <QDate>
#include <QJsonArray>
#include <QString>
#include <functional>

struct ExchangeContext;

// Connection settings of the registry key [D365], read afresh at every run.
struct D365Settings {
    QString LoginHttps;  // token endpoint (OAuth 2.0 client credentials)
    QString RESTHttps;   // the one business address; also the source of the token's resource
    QString ClientID;
    QString SecretKey;
};

// What the service said about one posted document.
struct D365PostReply {
    bool accepted = false;  // status 200, a JSON reply and the service's own status "1"
    QString status;         // the service's status, as text
    QString message;        // the service's message
};

// The shared layer of the D365 exchange: login and token, the request envelope, fetch
// replies, incremental marks. The operations of every D365 unit go through it.
class D365Connection {
public:
    // The company (legal entity) of every request.
    static constexpr const char* kCompany = "K42";
    // Marks never written, or unreadable, count from here.
    static QDate defaultMarkDate() { return QDate(2022, 12, 20); }

    explicit D365Connection(ExchangeContext& context);

    // Reads [D365] and obtains a token: 1 when the token endpoint answered 200, -1 otherwise
    // (after the line that says why; a missing setting is logged and refuses the run).
    int LoginD365();
    void ReadSettings();
    const D365Settings& settings() const { return settings_; }
    const QString& token() const { return token_; }

    // The body of every business call: the operation's JSON text as the string
    // _requestBody.Request.
    static QByteArray requestBody(const QString& inner);
    // The contents of a JSON string: quotes, backslashes and control characters escaped.
    static QString jsonEscapedText(const QString& text);
    // The inner text of a fetch operation by its request name, FROM and TO filled in.
    // Throws D365Error for a name that is not a fetch operation.
    static QString fetchInner(const QString& operation, const QDate& from, const QDate& to);
    // The resource value sent with the token request for a business address.
    static QString resourceOf(const QString& restHttps);
    // The access token of a token reply; empty when there is none.
    static QString readToken(const QString& reply);
    static D365PostReply readPostReply(const HttpResponse& response);

    // One business call with the token; throws NetError on a transport failure.
    const HttpResponse& send(const QString& inner);

    // A fetch request and its reply. Returns -1 after logging a transport failure, a status
    // other than 200 or a reply without JSON; otherwise fills records with the list
    // data[0].<listName> and returns 0. A reply without that list throws D365Error.
    int fetch(const QString& logName, const QString& inner, const QString& listName, QJsonArray& records);
    // Hands the records one by one to importRecord, letting pending events through before
    // each; an element that is not an object throws D365Error.
    void walk(const QString& operation, const QJsonArray& records,
              const std::function<void(const D365Record&)>& importRecord);

    // The whole frame of a one-request fetch: start line, mark (markName may be empty),
    // request, records, new mark, end line. 0 on success, -1 on a logged failure.
    // allStored, when given, is asked after the last record: false keeps the mark where it
    // is and gives -1, so that the next run asks for the records again.
    int runFetch(const QString& operation, const QString& listName, const QString& markName,
                 const std::function<void(const D365Record&)>& importRecord,
                 const std::function<bool()>& allStored = {});

    QDate today() const;
    QDate readMark(const QString& markName) const;
    // Today's date into the mark, when the key opens.
    void writeMark(const QString& markName);

    void startLine(const QString& logName);
    void endLine(const QString& logName);

    TPapildlogs& transport() { return papildlogs_; }

private:
    ExchangeContext& ctx_;
    TPapildlogs papildlogs_;
    D365Settings settings_;
    QString token_;
};
