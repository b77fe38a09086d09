#pragma once

#include <QDate>
#include <QString>
#include <optional>

struct ExchangeContext;

// How long the Horizon request may take; tests shorten them.
struct HorizonTimeouts {
    int connectMs = 30000;
    int totalMs = 120000;
};

// Incoming bank payments from the Horizon accounting system, recorded in O_APMAKS as
// unallocated customer payments. The customer is found by the identification code that
// the payer wrote into the purpose text.
class HorizonImport {
public:
    explicit HorizonImport(ExchangeContext& context, HorizonTimeouts timeouts = {});

    // True when the run went through to its end line. False when it was refused (missing
    // settings, busy flag set) or the service failed (transport failure, a status other than
    // 200); those are logged or shown here. Anything else (malformed answer, database error,
    // missing registry value) is thrown to the caller, the Horizon timer, after the busy flag
    // has been cleared; rows recorded before it stay in the shared transaction.
    bool HorizonProcessImports();

    // The customer's code in a purpose text; nullopt when the text has no label and no "ID".
    static std::optional<QString> identificationCode(const QString& purpose);
    // The address of the query for payments changed after the given date.
    static QString queryUrl(const QString& restAdrese, const QDate& from);

    static QString unmatchedFileName() { return QStringLiteral("HorizonNeiegaja.txt"); }

private:
    ExchangeContext& context_;
    HorizonTimeouts timeouts_;
};
