#include "DbError.h"

#include <ibase.h>

#include <QRegularExpression>
#include <QStringList>

namespace {

bool any(const DbError& e, std::initializer_list<long> codes)
{
    for (long c : codes)
        if (e.has(c))
            return true;
    return false;
}

}  // namespace

QString DbError::oneLine(const QString& text)
{
    QStringList parts = text.split(QRegularExpression(QStringLiteral("[\\r\\n]+")), Qt::SkipEmptyParts);
    for (QString& p : parts)
        p = p.trimmed();
    parts.removeAll(QString());
    return parts.join(QStringLiteral("; "));
}

bool DbError::isLockConflict() const
{
    return any(*this, {isc_lock_conflict, isc_deadlock, isc_update_conflict, isc_lock_timeout,
                       isc_concurrent_transaction});
}

bool DbError::isConnectionLost() const
{
    return any(*this, {isc_network_error, isc_net_read_err, isc_net_write_err, isc_net_connect_err,
                       isc_lost_db_connection, isc_conn_lost, isc_shutdown, isc_att_shutdown,
                       isc_bad_db_handle});
}

bool DbError::isConstraintViolation() const
{
    return any(*this, {isc_unique_key_violation, isc_no_dup, isc_foreign_key, isc_not_valid,
                       isc_check_constraint});
}
