#include "FbDatabase.h"

#include "FbApi.h"
#include "FbStatement.h"

#include <QSet>
#include <QStringEncoder>
#include <algorithm>

using namespace Firebird;

namespace {

// Free statements kept beyond this are dropped, oldest first: texts built with values in
// them would otherwise pile up.
constexpr int kMaxIdleStatements = 512;

}  // namespace

FbDatabase::FbDatabase(Commit mode) : mode_(mode)
{
}

FbDatabase::~FbDatabase()
{
    detach();
}

void FbDatabase::attach(const QString& path, const QString& user, const QString& password, const QString& lcCtype)
{
    detach();
    fb::Status st;
    IXpbBuilder* dpb = fb::util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
    st.check();
    dpb->insertString(&st, isc_dpb_user_name, user.toUtf8().constData());
    dpb->insertString(&st, isc_dpb_password, password.toUtf8().constData());
    dpb->insertInt(&st, isc_dpb_sql_dialect, 1);
    if (!lcCtype.isEmpty())
        dpb->insertString(&st, isc_dpb_lc_ctype, lcCtype.toUtf8().constData());
    st.check();

    IProvider* provider = fb::master()->getDispatcher();
    const QByteArray name = path.toUtf8();
    IAttachment* att = provider->attachDatabase(&st, name.constData(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
    dpb->dispose();
    provider->release();
    st.check();
    attachment_ = att;
    path_ = path;
    lcCtype_ = lcCtype.toUpper();
    try {
        startTransaction();
        loadCharsets();
    } catch (...) {
        detach();
        throw;
    }
    prepares_ = 0;  // the attachment's own look-up is no statement of its users
}

void FbDatabase::startTransaction()
{
    // The goods program's users hold rows all day: a lock conflict must fail at once (the
    // callers retry), and each statement must see what others committed.
    static const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                        isc_tpb_rec_version, isc_tpb_nowait};
    fb::Status st;
    transaction_ = attachment_->startTransaction(&st, sizeof tpb, tpb);
    st.check();
}

void FbDatabase::loadCharsets()
{
    bytesPerChar_.clear();
    FbStatement q(*this, QStringLiteral(
        "SELECT RDB$CHARACTER_SET_ID, RDB$BYTES_PER_CHARACTER FROM RDB$CHARACTER_SETS"));
    q.open({});
    QVector<QVariant> row;
    while (q.fetch(row))
        bytesPerChar_.insert(row.at(0).toUInt(), qMax(1u, row.at(1).toUInt()));
}

unsigned FbDatabase::bytesPerCharacter(unsigned charset) const
{
    if (charset == fb::kCharsetUtf8)
        return 4;
    return bytesPerChar_.value(charset, 1);
}

QByteArray FbDatabase::encodeSql(const QString& sql) const
{
    if (lcCtype_.isEmpty() || lcCtype_ == QLatin1String("UTF8") || lcCtype_ == QLatin1String("NONE"))
        return sql.toUtf8();
    const QString codec = lcCtype_.startsWith(QLatin1String("WIN"))
        ? QStringLiteral("windows-") + lcCtype_.mid(3) : lcCtype_;
    QStringEncoder encoder(codec.toLatin1().constData());
    if (!encoder.isValid())
        return sql.toUtf8();
    QByteArray text = encoder(sql);
    if (encoder.hasError())
        throw DbError(QStringLiteral("Cannot transliterate character between character sets (%1): %2").arg(lcCtype_, sql),
                      {isc_transliteration_failed});
    return text;
}

void FbDatabase::detach() noexcept
{
    // Statements first: they belong to the attachment.
    for (auto& list : statements_)
        for (auto& s : list)
            s->invalidate();
    statements_.clear();
    statementCount_ = 0;
    fb::Status st;
    if (transaction_) {
        transaction_->rollback(&st);
        if (st.failed())
            transaction_->release();
        transaction_ = nullptr;
    }
    if (attachment_) {
        st.clear();
        attachment_->detach(&st);
        if (st.failed())
            attachment_->release();
        attachment_ = nullptr;
    }
}

void FbDatabase::commitRetaining()
{
    if (!transaction_)
        throw DbError(QStringLiteral("Database is not connected"));
    fb::Status st;
    transaction_->commitRetaining(&st);
    st.check();
}

void FbDatabase::rollbackRetaining()
{
    if (!transaction_)
        throw DbError(QStringLiteral("Database is not connected"));
    fb::Status st;
    transaction_->rollbackRetaining(&st);
    st.check();
}

std::shared_ptr<FbStatement> FbDatabase::acquire(const QString& sql)
{
    if (!attachment_)
        throw DbError(QStringLiteral("Database is not connected"));
    auto& list = statements_[sql];
    for (auto& s : list) {
        if (!s->inUse && s->valid()) {
            s->inUse = true;
            s->lastUse = ++useCounter_;
            return s;
        }
    }
    auto s = std::make_shared<FbStatement>(*this, sql);
    s->inUse = true;
    s->lastUse = ++useCounter_;
    list.push_back(s);
    if (++statementCount_ > kMaxIdleStatements)
        evictIdle();
    return s;
}

void FbDatabase::evictIdle()
{
    // Drop the least recently used half of the idle statements.
    std::vector<std::pair<quint64, FbStatement*>> idle;
    for (auto& list : statements_)
        for (auto& s : list)
            if (!s->inUse)
                idle.emplace_back(s->lastUse, s.get());
    std::sort(idle.begin(), idle.end());
    const size_t drop = idle.size() / 2;
    QSet<FbStatement*> victims;
    for (size_t i = 0; i < drop; ++i)
        victims.insert(idle[i].second);
    for (auto it = statements_.begin(); it != statements_.end();) {
        auto& list = it.value();
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const std::shared_ptr<FbStatement>& s) { return victims.contains(s.get()); }),
                   list.end());
        it = list.empty() ? statements_.erase(it) : std::next(it);
    }
    statementCount_ -= int(drop);
}
