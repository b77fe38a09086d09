#pragma once

#include "FbDatabase.h"

#include <QString>
#include <memory>

class Clock;
class Dialogs;
class Log;
class MyProc;

// The data module: both connections to the goods database and the values the whole
// program shares (operator, temporary directory, UTF8 flag, system settings).
class TMainFormDati {
public:
    TMainFormDati(Log& log, Dialogs& dialogs, Clock& clock);
    ~TMainFormDati();
    TMainFormDati(const TMainFormDati&) = delete;
    TMainFormDati& operator=(const TMainFormDati&) = delete;

    // Opens both connections to the database at path; true when PRECES_DB opened.
    bool ConnectDatabase(const QString& path, const QString& tempDir);
    // Runs after every open of PRECES_DB; throws DbError.
    void ReadSystemSettings();

    // The shared connection; everything on it runs in one transaction made durable by CommitRetaining().
    FbDatabase& PRECES_DB() const { return *preces_; }
    // The journal's own attachment, each statement durable on its own; reopened on use when closed.
    FbDatabase& fdcPRECES();
    bool isConnected() const;
    // Makes the shared transaction's work durable; held back inside a document scope.
    void CommitRetaining();
    void Rollback();

    // A document stored whole or not at all: see DocumentScope.
    void beginDocument();
    // Commits (commit) or rolls back what the document wrote; then writes the held error and
    // journal rows. Throws DbError when the commit fails (the document is rolled back then).
    void endDocument(bool commit);
    bool inDocument() const { return documentDepth_ > 0; }
    // True while the connection answers and still points at the file that was opened.
    bool probe();

    // EXECUTE PROCEDURE UPDATETEKATLIK: adds the quantity to the current stock of goods and department.
    void UpdateTekAtlik(int isPrece, int isNodala, double daudzums, const QString& nelegaliz, int flag);

    // Empty values fall back to SYSDBA and the well-known password.
    void setCredentials(const QString& user, const QString& password);
    QString databasePath() const { return path_; }

    MyProc& proc() { return *proc_; }
    Log& log() { return log_; }
    Dialogs& dialogs() { return dialogs_; }
    Clock& clock() { return clock_; }

    // Shared values.
    QString OperatorName = QStringLiteral("ADMIN");
    QString TempDir;
    bool Utf8 = false;
    double DEF_PVN = 0.0;
    bool FILL2IEPCENA = false;
    bool PARDCENASAR = false;
    QString ISIREGNR;

private:
    void openPreces(bool utf8);
    void configureFdc(bool utf8);
    void createDefaultRows();
    void ensureDefaultRow(const QString& table);

    Log& log_;
    Dialogs& dialogs_;
    Clock& clock_;
    std::unique_ptr<MyProc> proc_;
    std::unique_ptr<FbDatabase> preces_;
    std::unique_ptr<FbDatabase> fdc_;
    bool fdcUtf8_ = false;
    QString path_;
    QString user_ = QStringLiteral("SYSDBA");
    QString password_ = QStringLiteral("masterkey");
    QString fileIdentity_;
    int documentDepth_ = 0;
    bool documentFailed_ = false;  // an inner scope rolled back: the whole document goes
};
