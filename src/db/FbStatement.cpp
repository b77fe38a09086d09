#include "FbStatement.h"

#include "FbApi.h"
#include "FbDatabase.h"

#include <QStringDecoder>

#include <cmath>
#include <cstring>

using namespace Firebird;

namespace {

bool identStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool identPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

double scaled(qint64 raw, int scale)
{
    return scale == 0 ? double(raw) : double(raw) / std::pow(10.0, -scale);
}

QVariant typedNull(unsigned type, int subType, int scale)
{
    switch (type) {
    case SQL_SHORT:
    case SQL_LONG:
        return scale == 0 ? QVariant(QMetaType(QMetaType::Int)) : QVariant(QMetaType(QMetaType::Double));
    case SQL_INT64:
        return scale == 0 ? QVariant(QMetaType(QMetaType::LongLong)) : QVariant(QMetaType(QMetaType::Double));
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return QVariant(QMetaType(QMetaType::Double));
    case SQL_TIMESTAMP:
        return QVariant(QMetaType(QMetaType::QDateTime));
    case SQL_TYPE_DATE:
        return QVariant(QMetaType(QMetaType::QDate));
    case SQL_TYPE_TIME:
        return QVariant(QMetaType(QMetaType::QTime));
    case SQL_BLOB:
        return subType == 1 ? QVariant(QMetaType(QMetaType::QString)) : QVariant(QMetaType(QMetaType::QByteArray));
    case SQL_BOOLEAN:
        return QVariant(QMetaType(QMetaType::Bool));
    default:
        return QVariant(QMetaType(QMetaType::QString));
    }
}

QString decodeText(const char* data, int length, unsigned charset)
{
    if (charset == fb::kCharsetNone) {
        // Bytes in no declared character set: UTF-8 when they read as such.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString s = utf8(QByteArrayView(data, length));
        return utf8.hasError() ? QString::fromLatin1(data, length) : s;
    }
    return QString::fromUtf8(data, length);
}

// A blob parameter block that makes the engine transliterate a text blob.
QByteArray textBlobBpb(unsigned from, unsigned to)
{
    if (from == to || from == fb::kCharsetNone || to == fb::kCharsetNone || from == fb::kCharsetOctets
        || to == fb::kCharsetOctets)
        return {};
    const char bpb[] = {isc_bpb_version1,
                        isc_bpb_source_type, 1, 1, isc_bpb_source_interp, 1, char(from),
                        isc_bpb_target_type, 1, 1, isc_bpb_target_interp, 1, char(to)};
    return QByteArray(bpb, sizeof bpb);
}

}  // namespace

QString FbStatement::positional(const QString& sql, QStringList* names)
{
    QString out;
    out.reserve(sql.size());
    enum { Plain, Quote, DoubleQuote, LineComment, BlockComment } state = Plain;
    for (int i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < sql.size() ? sql.at(i + 1) : QChar();
        switch (state) {
        case Plain:
            if (c == QLatin1Char('\''))
                state = Quote;
            else if (c == QLatin1Char('"'))
                state = DoubleQuote;
            else if (c == QLatin1Char('-') && next == QLatin1Char('-'))
                state = LineComment;
            else if (c == QLatin1Char('/') && next == QLatin1Char('*'))
                state = BlockComment;
            else if (c == QLatin1Char(':') && identStart(next)) {
                int end = i + 1;
                while (end < sql.size() && identPart(sql.at(end)))
                    ++end;
                names->append(sql.mid(i + 1, end - i - 1).toUpper());
                out += QLatin1Char('?');
                i = end - 1;
                continue;
            }
            break;
        case Quote:
            if (c == QLatin1Char('\''))
                state = Plain;
            break;
        case DoubleQuote:
            if (c == QLatin1Char('"'))
                state = Plain;
            break;
        case LineComment:
            if (c == QLatin1Char('\n'))
                state = Plain;
            break;
        case BlockComment:
            if (c == QLatin1Char('*') && next == QLatin1Char('/')) {
                out += c;
                out += next;
                ++i;
                state = Plain;
                continue;
            }
            break;
        }
        out += c;
    }
    return out;
}

FbStatement::FbStatement(FbDatabase& db, const QString& sql) : db_(db)
{
    const QByteArray text = db_.encodeSql(positional(sql, &names_));
    fb::Status st;
    statement_ = db_.attachment()->prepare(&st, db_.transaction(), text.size(), text.constData(), 1,
                                           IStatement::PREPARE_PREFETCH_METADATA);
    st.check();
    db_.notePrepare();
    type_ = statement_->getType(&st);
    inMeta_ = statement_->getInputMetadata(&st);
    st.check();
    describeOutput();
}

FbStatement::~FbStatement()
{
    invalidate();
}

void FbStatement::invalidate() noexcept
{
    closeCursor();
    fb::Status st;
    if (inMeta_)
        inMeta_->release();
    if (outMeta_)
        outMeta_->release();
    inMeta_ = outMeta_ = nullptr;
    if (statement_) {
        if (db_.isOpen())
            statement_->free(&st);
        if (st.failed() || !db_.isOpen())
            statement_->release();
    }
    statement_ = nullptr;
}

void FbStatement::describeOutput()
{
    fb::Status st;
    IMessageMetadata* described = statement_->getOutputMetadata(&st);
    st.check();
    const unsigned count = described->getCount(&st);
    IMetadataBuilder* builder = described->getBuilder(&st);
    QVector<unsigned> chars(count, 0);
    for (unsigned i = 0; i < count; ++i) {
        const unsigned type = described->getType(&st, i) & ~1u;
        columns_ << QString::fromUtf8(described->getAlias(&st, i));
        if (columns_.last().isEmpty())
            columns_.last() = QString::fromUtf8(described->getField(&st, i));
        if (type != SQL_TEXT && type != SQL_VARYING)
            continue;
        const unsigned charset = described->getCharSet(&st, i);
        const unsigned length = described->getLength(&st, i);
        chars[i] = length / qMax(1u, db_.bytesPerCharacter(charset));
        if (charset != fb::kCharsetNone && charset != fb::kCharsetOctets && charset != fb::kCharsetUtf8) {
            builder->setCharSet(&st, i, fb::kCharsetUtf8);
            builder->setLength(&st, i, chars[i] * 4);
        }
    }
    outMeta_ = builder->getMetadata(&st);
    builder->release();
    described->release();
    st.check();
    out_.resize(count);
    for (unsigned i = 0; i < count; ++i) {
        Column& c = out_[i];
        c.type = outMeta_->getType(&st, i) & ~1u;
        c.subType = outMeta_->getSubType(&st, i);
        c.scale = outMeta_->getScale(&st, i);
        c.length = outMeta_->getLength(&st, i);
        c.charset = outMeta_->getCharSet(&st, i);
        c.chars = chars[i];
        c.offset = outMeta_->getOffset(&st, i);
        c.nullOffset = outMeta_->getNullOffset(&st, i);
    }
    outBuffer_.resize(int(outMeta_->getMessageLength(&st)));
    st.check();
}

bool FbStatement::returnsRows() const
{
    return type_ == isc_info_sql_stmt_select || type_ == isc_info_sql_stmt_select_for_upd || !out_.isEmpty();
}

QByteArray FbStatement::buildInput(const Binds& binds, IMessageMetadata** meta)
{
    *meta = nullptr;
    const int n = names_.size();
    if (n == 0)
        return {};
    fb::Status st;
    IMetadataBuilder* builder = inMeta_->getBuilder(&st);
    st.check();

    enum class Kind { Null, Int, BigInt, Double, Timestamp, Text, Blob };
    struct Slot {
        Kind kind = Kind::Null;
        qint64 integer = 0;
        double number = 0;
        ISC_TIMESTAMP ts{};
        QByteArray bytes;
        ISC_QUAD blob{};
    };
    QVector<Slot> slots(n);
    for (int i = 0; i < n; ++i) {
        const QVariant* v = nullptr;
        for (const auto& b : binds)
            if (b.first.compare(names_.at(i), Qt::CaseInsensitive) == 0) {
                v = &b.second;
                break;
            }
        Slot& s = slots[i];
        if (!v || !v->isValid() || v->isNull())
            continue;
        const unsigned described = inMeta_->getType(&st, i) & ~1u;
        if (described == SQL_BLOB) {
            s.kind = Kind::Blob;
            const bool binary = v->typeId() == QMetaType::QByteArray;
            s.bytes = binary ? v->toByteArray() : v->toString().toUtf8();
            const int subType = inMeta_->getSubType(&st, i);
            const QByteArray bpb = binary || subType != 1 ? QByteArray()
                                                          : textBlobBpb(fb::kCharsetUtf8, inMeta_->getCharSet(&st, i));
            IBlob* blob = db_.attachment()->createBlob(&st, db_.transaction(), &s.blob, bpb.size(),
                                                       reinterpret_cast<const unsigned char*>(bpb.constData()));
            st.check();
            for (qsizetype pos = 0; pos < s.bytes.size() && !st.failed(); pos += 32768)
                blob->putSegment(&st, unsigned(qMin<qsizetype>(32768, s.bytes.size() - pos)), s.bytes.constData() + pos);
            if (st.failed()) {
                fb::Status cancel;
                blob->cancel(&cancel);
                if (cancel.failed())
                    blob->release();
                builder->release();
                st.check();
            }
            blob->close(&st);
            st.check();
            continue;
        }
        switch (v->typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            s.kind = Kind::Int;
            s.integer = v->toLongLong();
            builder->setType(&st, i, SQL_LONG);
            builder->setLength(&st, i, sizeof(ISC_LONG));
            builder->setScale(&st, i, 0);
            break;
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::ULong:
            s.kind = Kind::BigInt;
            s.integer = v->toLongLong();
            builder->setType(&st, i, SQL_INT64);
            builder->setLength(&st, i, sizeof(ISC_INT64));
            builder->setScale(&st, i, 0);
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            s.kind = Kind::Double;
            s.number = v->toDouble();
            builder->setType(&st, i, SQL_DOUBLE);
            builder->setLength(&st, i, sizeof(double));
            builder->setScale(&st, i, 0);
            break;
        case QMetaType::QDateTime:
        case QMetaType::QDate:
            s.kind = Kind::Timestamp;
            s.ts = fb::encodeTimestamp(v->typeId() == QMetaType::QDate ? QDateTime(v->toDate(), QTime(0, 0))
                                                                        : v->toDateTime());
            builder->setType(&st, i, SQL_TIMESTAMP);
            builder->setLength(&st, i, sizeof(ISC_TIMESTAMP));
            builder->setScale(&st, i, 0);
            break;
        default: {
            s.kind = Kind::Text;
            const bool binary = v->typeId() == QMetaType::QByteArray;
            s.bytes = binary ? v->toByteArray() : v->toString().toUtf8();
            builder->setType(&st, i, SQL_VARYING);
            builder->setCharSet(&st, i, binary ? fb::kCharsetOctets : fb::kCharsetUtf8);
            builder->setLength(&st, i, unsigned(qMax<qsizetype>(1, s.bytes.size())));
            builder->setScale(&st, i, 0);
            break;
        }
        }
    }
    *meta = builder->getMetadata(&st);
    builder->release();
    st.check();

    QByteArray buffer(int((*meta)->getMessageLength(&st)), '\0');
    char* base = buffer.data();
    for (int i = 0; i < n; ++i) {
        const Slot& s = slots[i];
        char* at = base + (*meta)->getOffset(&st, i);
        const short nullFlag = s.kind == Kind::Null ? -1 : 0;
        std::memcpy(base + (*meta)->getNullOffset(&st, i), &nullFlag, sizeof nullFlag);
        switch (s.kind) {
        case Kind::Null:
            break;
        case Kind::Int: {
            const ISC_LONG x = ISC_LONG(s.integer);
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case Kind::BigInt: {
            const ISC_INT64 x = s.integer;
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case Kind::Double:
            std::memcpy(at, &s.number, sizeof s.number);
            break;
        case Kind::Timestamp:
            std::memcpy(at, &s.ts, sizeof s.ts);
            break;
        case Kind::Text: {
            const unsigned short len = static_cast<unsigned short>(s.bytes.size());
            std::memcpy(at, &len, sizeof len);
            std::memcpy(at + sizeof len, s.bytes.constData(), s.bytes.size());
            break;
        }
        case Kind::Blob:
            std::memcpy(at, &s.blob, sizeof s.blob);
            break;
        }
    }
    st.check();
    return buffer;
}

int FbStatement::execute(const Binds& binds)
{
    if (!statement_)
        throw DbError(QStringLiteral("Database is not connected"));
    closeCursor();
    IMessageMetadata* meta = nullptr;
    QByteArray input = buildInput(binds, &meta);
    fb::Status st;
    statement_->execute(&st, db_.transaction(), meta, meta ? input.data() : nullptr,
                        out_.isEmpty() ? nullptr : outMeta_, out_.isEmpty() ? nullptr : outBuffer_.data());
    if (meta)
        meta->release();
    st.check();
    const quint64 affected = statement_->getAffectedRecords(&st);
    if (db_.commitMode() == FbDatabase::Commit::PerStatement)
        db_.commitRetaining();
    return st.failed() ? 0 : int(affected);
}

void FbStatement::open(const Binds& binds)
{
    if (!statement_)
        throw DbError(QStringLiteral("Database is not connected"));
    closeCursor();
    singleRowPending_ = false;
    if (type_ != isc_info_sql_stmt_select && type_ != isc_info_sql_stmt_select_for_upd) {
        execute(binds);
        singleRowPending_ = !out_.isEmpty();
        return;
    }
    IMessageMetadata* meta = nullptr;
    QByteArray input = buildInput(binds, &meta);
    fb::Status st;
    cursor_ = statement_->openCursor(&st, db_.transaction(), meta, meta ? input.data() : nullptr, outMeta_, 0);
    if (meta)
        meta->release();
    if (st.failed()) {
        cursor_ = nullptr;
        st.check();
    }
}

bool FbStatement::fetch(QVector<QVariant>& row)
{
    if (singleRowPending_) {
        singleRowPending_ = false;
    } else {
        if (!cursor_)
            return false;
        fb::Status st;
        const int rc = cursor_->fetchNext(&st, outBuffer_.data());
        if (st.failed()) {
            const DbError e = st.error();
            closeCursor();
            throw e;
        }
        if (rc != IStatus::RESULT_OK) {
            closeCursor();
            return false;
        }
    }
    row.resize(out_.size());
    const auto* buffer = reinterpret_cast<const unsigned char*>(outBuffer_.constData());
    for (int i = 0; i < out_.size(); ++i)
        row[i] = readField(i, buffer);
    return true;
}

void FbStatement::closeCursor() noexcept
{
    singleRowPending_ = false;
    if (!cursor_)
        return;
    fb::Status st;
    if (db_.isOpen())
        cursor_->close(&st);
    if (st.failed() || !db_.isOpen())
        cursor_->release();
    cursor_ = nullptr;
}

QVariant FbStatement::readField(int index, const unsigned char* buffer) const
{
    const Column& c = out_.at(index);
    short nullFlag = 0;
    std::memcpy(&nullFlag, buffer + c.nullOffset, sizeof nullFlag);
    if (nullFlag)
        return typedNull(c.type, c.subType, c.scale);
    const unsigned char* at = buffer + c.offset;
    switch (c.type) {
    case SQL_TEXT: {
        if (c.charset == fb::kCharsetOctets)
            return QByteArray(reinterpret_cast<const char*>(at), int(c.length));
        QString s = decodeText(reinterpret_cast<const char*>(at), int(c.length), c.charset);
        // Text in UTF-8 comes padded to four bytes a character; a CHAR keeps its own width.
        while (s.size() > qsizetype(c.chars) && s.endsWith(QLatin1Char(' ')))
            s.chop(1);
        return s;
    }
    case SQL_VARYING: {
        unsigned short len = 0;
        std::memcpy(&len, at, sizeof len);
        const char* data = reinterpret_cast<const char*>(at + sizeof len);
        if (c.charset == fb::kCharsetOctets)
            return QByteArray(data, len);
        return decodeText(data, len, c.charset);
    }
    case SQL_SHORT: {
        short x;
        std::memcpy(&x, at, sizeof x);
        return c.scale == 0 ? QVariant(int(x)) : QVariant(scaled(x, c.scale));
    }
    case SQL_LONG: {
        ISC_LONG x;
        std::memcpy(&x, at, sizeof x);
        return c.scale == 0 ? QVariant(int(x)) : QVariant(scaled(x, c.scale));
    }
    case SQL_INT64: {
        ISC_INT64 x;
        std::memcpy(&x, at, sizeof x);
        return c.scale == 0 ? QVariant(qlonglong(x)) : QVariant(scaled(x, c.scale));
    }
    case SQL_FLOAT: {
        float x;
        std::memcpy(&x, at, sizeof x);
        return double(x);
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        double x;
        std::memcpy(&x, at, sizeof x);
        return x;
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, at, sizeof ts);
        return fb::decodeTimestamp(ts);
    }
    case SQL_TYPE_DATE: {
        ISC_TIMESTAMP ts{};
        std::memcpy(&ts.timestamp_date, at, sizeof ts.timestamp_date);
        return fb::decodeTimestamp(ts).date();
    }
    case SQL_TYPE_TIME: {
        ISC_TIMESTAMP ts{};
        ts.timestamp_date = fb::util()->encodeDate(2000, 1, 1);
        std::memcpy(&ts.timestamp_time, at, sizeof ts.timestamp_time);
        return fb::decodeTimestamp(ts).time();
    }
    case SQL_BOOLEAN:
        return *at != 0;
    case SQL_BLOB: {
        ISC_QUAD id;
        std::memcpy(&id, at, sizeof id);
        const bool text = c.subType == 1;
        const QByteArray bpb = text ? textBlobBpb(c.charset, fb::kCharsetUtf8) : QByteArray();
        fb::Status st;
        IBlob* blob = db_.attachment()->openBlob(&st, db_.transaction(), &id, bpb.size(),
                                                 reinterpret_cast<const unsigned char*>(bpb.constData()));
        st.check();
        QByteArray data;
        char chunk[32768];
        for (;;) {
            unsigned got = 0;
            const int rc = blob->getSegment(&st, sizeof chunk, chunk, &got);
            if (st.failed() || (rc != IStatus::RESULT_OK && rc != IStatus::RESULT_SEGMENT))
                break;
            data.append(chunk, int(got));
        }
        const bool failed = st.failed();
        const DbError error = failed ? st.error() : DbError(QString());
        fb::Status closing;
        blob->close(&closing);
        if (closing.failed())
            blob->release();
        if (failed)
            throw error;
        if (!text)
            return data;
        return decodeText(data.constData(), int(data.size()), text && bpb.isEmpty() ? c.charset : fb::kCharsetUtf8);
    }
    default:
        return {};
    }
}
