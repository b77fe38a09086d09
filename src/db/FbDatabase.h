#pragma once

#include "DbError.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

namespace Firebird {
class IAttachment;
class ITransaction;
}
class FbStatement;

// One attachment to the goods database with its one transaction (write, read committed,
// record versions, no wait), on the Firebird client library. A plain path opens the file
// with the embedded engine; "host:path" or "host/port:path" reaches a server.
//
// Statements are prepared once per attachment and kept: commit-retaining keeps the
// transaction context, its prepared statements and its open cursors.
class FbDatabase {
public:
    // Shared: work is made durable by commitRetaining(). PerStatement: every statement that
    // changes data is made durable at once (the journal's connection).
    enum class Commit { Shared, PerStatement };

    explicit FbDatabase(Commit mode = Commit::Shared);
    ~FbDatabase();
    FbDatabase(const FbDatabase&) = delete;
    FbDatabase& operator=(const FbDatabase&) = delete;

    // Throws DbError with the engine's message. lcCtype may be empty (no character set).
    void attach(const QString& path, const QString& user, const QString& password, const QString& lcCtype);
    void detach() noexcept;
    bool isOpen() const { return attachment_ != nullptr; }
    const QString& path() const { return path_; }
    const QString& lcCtype() const { return lcCtype_; }
    Commit commitMode() const { return mode_; }

    void commitRetaining();
    void rollbackRetaining();

    // Statements actually prepared by the engine since the attachment opened.
    int prepareCount() const { return prepares_; }

    // For the statement layer.
    std::shared_ptr<FbStatement> acquire(const QString& sql);
    Firebird::IAttachment* attachment() const { return attachment_; }
    Firebird::ITransaction* transaction() const { return transaction_; }
    unsigned bytesPerCharacter(unsigned charset) const;
    // Statement texts travel in the attachment's character set.
    QByteArray encodeSql(const QString& sql) const;
    void notePrepare() { ++prepares_; }

private:
    void startTransaction();
    void loadCharsets();
    void evictIdle();

    Commit mode_;
    QString path_;
    QString lcCtype_;
    Firebird::IAttachment* attachment_ = nullptr;
    Firebird::ITransaction* transaction_ = nullptr;
    QHash<unsigned, unsigned> bytesPerChar_;
    QHash<QString, std::vector<std::shared_ptr<FbStatement>>> statements_;
    int statementCount_ = 0;
    int prepares_ = 0;
    quint64 useCounter_ = 0;
};
