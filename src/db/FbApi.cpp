#include "FbApi.h"

#include <QStringDecoder>

namespace fb {

namespace {

// The engine's own texts are ASCII, but an exception defined in the database speaks the
// attachment's character set: UTF-8, or the Baltic code page of the company's databases.
QString messageText(const char* bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(QByteArrayView(bytes));
    if (!utf8.hasError())
        return text;
    QStringDecoder baltic("windows-1257");
    return baltic.isValid() ? baltic(QByteArrayView(bytes)) : QString::fromLatin1(bytes);
}

}  // namespace

Firebird::IMaster* master()
{
    static Firebird::IMaster* const m = Firebird::fb_get_master_interface();
    return m;
}

Firebird::IUtil* util()
{
    static Firebird::IUtil* const u = master()->getUtilInterface();
    return u;
}

Status::Status() : raw_(master()->getStatus()), wrapper_(raw_)
{
}

Status::~Status()
{
    raw_->dispose();
}

bool Status::failed() const
{
    return (wrapper_.getState() & Firebird::IStatus::STATE_ERRORS) != 0;
}

void Status::check(const char* what)
{
    if (failed())
        throw error(what);
}

DbError Status::error(const char* what) const
{
    char buffer[4096];
    auto* self = const_cast<Firebird::CheckStatusWrapper*>(&wrapper_);
    util()->formatStatus(buffer, sizeof buffer - 1, self);
    buffer[sizeof buffer - 1] = '\0';
    // The engine's text comes line by line; DbError makes it one.
    QString message = messageText(buffer);
    if (what && message.trimmed().isEmpty())
        message = QString::fromUtf8(what);

    QList<long> codes;
    const intptr_t* v = self->getErrors();
    while (v && *v != isc_arg_end) {
        const intptr_t kind = *v++;
        const intptr_t value = *v++;
        if (kind == isc_arg_gds)
            codes.append(static_cast<long>(value));
        else if (kind == isc_arg_cstring)
            ++v;  // length, then the pointer
    }
    return DbError(message, codes);
}

ISC_TIMESTAMP encodeTimestamp(const QDateTime& value)
{
    const QDate d = value.date();
    const QTime t = value.time();
    ISC_TIMESTAMP ts;
    ts.timestamp_date = util()->encodeDate(d.year(), d.month(), d.day());
    ts.timestamp_time = util()->encodeTime(t.hour(), t.minute(), t.second(), t.msec() * 10);
    return ts;
}

QDateTime decodeTimestamp(const ISC_TIMESTAMP& value)
{
    unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, fr = 0;
    util()->decodeDate(value.timestamp_date, &y, &mo, &d);
    util()->decodeTime(value.timestamp_time, &h, &mi, &s, &fr);
    return QDateTime(QDate(int(y), int(mo), int(d)), QTime(int(h), int(mi), int(s), int(fr / 10)));
}

}  // namespace fb
