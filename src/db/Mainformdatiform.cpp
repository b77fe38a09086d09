#include "Mainformdatiform.h"

#include "My_proc.h"
#include "SqlQuery.h"
#include "platform/Log.h"

#include <QFile>
#include <sys/stat.h>

namespace {

// The connection character set: UTF8 for a UTF8 database; otherwise the code page the
// company's databases keep their Latvian text in.
QString lcCtype(bool utf8)
{
    return utf8 ? QStringLiteral("UTF8") : QStringLiteral("WIN1257");
}

// The database file's identity, so that a file replaced or removed under a running host
// is noticed instead of writing on into the old one. Empty for server paths.
QString fileIdentity(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QStringLiteral("%1:%2").arg(st.st_dev).arg(st.st_ino);
}

bool isLocalFile(const QString& path)
{
    // "host:path" reaches a server; a plain path (possibly with a drive-less root) is a file.
    const int colon = path.indexOf(QLatin1Char(':'));
    return colon < 0 || path.startsWith(QLatin1Char('/'));
}

const char* const kSettingsSelect =
    "SELECT ISN, AFTP_USERNAME, AFTP_USERPASW, AFTP_TODIR, AFTP_FROMDIR, AFTP_PASUTDIR, AFTP_HOST, "
    "AFTP_REQUEST, DEF_PVN, SERTIF_FIFO, FILL2IEPCENA, PL_ZIMES_TIPS, PL_ZIMES_PATH, PASUTCOLOR1, "
    "PASUTCOLOR1FLAG, PASUTCOLOR2, PASUTCOLOR2FLAG, PASUTCOLOR3, PASUTCOLOR3FLAG, PASUTCOLOR4, "
    "PASUTCOLOR4FLAG, PASUTCOLOR5, PASUTCOLOR5FLAG, PASUTCOLOR6, PASUTCOLOR6FLAG, SANEMCOLOR1, "
    "SANEMCOLOR1FLAG, SANEMCOLOR2, SANEMCOLOR2FLAG, SANEMCOLOR3, SANEMCOLOR3FLAG, SANEMCOLOR4, "
    "SANEMCOLOR4FLAG, PARVCOLOR1, PARVCOLOR1FLAG, PARVCOLOR2, PARVCOLOR2FLAG, PARCENCOLOR1, "
    "PARCENCOLOR1FLAG, IZRCOLOR1, IZRCOLOR1FLAG, IZRCOLOR2, IZRCOLOR2FLAG, APMAKSCOLOR1, "
    "APMAKSCOLOR1FLAG, ATGRCOLOR1, ATGRCOLOR1FLAG, ATGRCOLOR2, ATGRCOLOR2FLAG, ATGRCOLOR3, "
    "ATGRCOLOR3FLAG, ISISERTARATLIK, SHOWSERTATLIK, DEK_PREFIX, PARBGABALPRECE, NEDZESTARTIKULUS, "
    "PARDCENASAR, WB_PARTRAUKUMI, WB_ATLIK_KONTROLE, WB_SVETKI, WB_DIENA_SAKAS, E_ADRESE FROM N_ISI2";

const char* const kIsiSelect =
    "SELECT ISN, ISICENA1NOS, ISICENA2NOS, ISICENA3NOS, ISICENA4NOS, ISICENA5NOS, ISICENA6NOS, "
    "ISICENA7NOS, ISICENA8NOS, ISICENA9NOS, ISICENA10NOS, ISICENA11NOS, ISICENA12NOS, ISICENA13NOS, "
    "ISICENA14NOS, ISICENA15NOS, ISICENA16NOS, ISIIZR2ARTNOS, ISISYSTEM, ISIORGNOS, ISIREGNR, "
    "ISINOD_NR, ISINORREKINS, ISIBANKNOS, ISIBANKKODS, ISIORGADR, ISIORGTIRADR, ISIORGVALSTS, "
    "ISIORGVALSTSKODS, ISIORGTEL, ISIDAUDZBEZDECIMAL FROM N_ISI";

// Tables that must hold the row ISN 1 "Nav noteikts", in this order.
const char* const kDefaultTables[] = {
    "N_SERTIF", "N_DEPART", "N_PRGRUP", "N_SERTIF", "N_KLGRUPPAP1", "N_KLIENT",
    "N_PAPILDGRUP1", "N_PAPILDGRUP2", "N_PAPILDGRUP3", "N_PAPILDGRUP4", "N_PAPILDGRUP5",
    "N_PAPILDGRUP6", "N_PAPILDGRUP7", "N_KLPREC", "N_KLGRUP", "N_LICENC", "N_BANKA", "N_AGENTS",
    "N_KLIENT", "N_MASINA", "N_USERGROUPS", "N_TIKLS"};

}  // namespace

TMainFormDati::TMainFormDati(Log& log, Dialogs& dialogs, Clock& clock)
    : log_(log), dialogs_(dialogs), clock_(clock),
      preces_(std::make_unique<FbDatabase>(FbDatabase::Commit::Shared)),
      fdc_(std::make_unique<FbDatabase>(FbDatabase::Commit::PerStatement))
{
    proc_ = std::make_unique<MyProc>(*this);
}

TMainFormDati::~TMainFormDati()
{
    proc_.reset();
    if (preces_->isOpen()) {
        try {
            preces_->commitRetaining();
        } catch (const std::exception&) {
            // Nothing left to save it to.
        }
    }
    preces_->detach();
    fdc_->detach();
}

void TMainFormDati::setCredentials(const QString& user, const QString& password)
{
    user_ = user.isEmpty() ? QStringLiteral("SYSDBA") : user;
    password_ = password.isEmpty() ? QStringLiteral("masterkey") : password;
}

FbDatabase& TMainFormDati::fdcPRECES()
{
    // Reconnects by itself, like the original's auto-reconnecting connection.
    if (!fdc_->isOpen() && !path_.isEmpty())
        fdc_->attach(path_, user_, password_, lcCtype(fdcUtf8_));
    return *fdc_;
}

bool TMainFormDati::isConnected() const
{
    return preces_->isOpen();
}

void TMainFormDati::CommitRetaining()
{
    if (documentDepth_ > 0 || !preces_->isOpen())
        return;
    preces_->commitRetaining();
}

void TMainFormDati::Rollback()
{
    if (preces_->isOpen())
        preces_->rollbackRetaining();
}

void TMainFormDati::beginDocument()
{
    if (documentDepth_++ > 0)
        return;
    documentFailed_ = false;
    // What came before the document is not the document's to roll back.
    try {
        CommitRetaining();
    } catch (...) {
        documentDepth_ = 0;
        throw;
    }
}

void TMainFormDati::endDocument(bool commit)
{
    if (documentDepth_ == 0)
        return;
    if (!commit)
        documentFailed_ = true;
    if (--documentDepth_ > 0)
        return;
    const bool keep = commit && !documentFailed_;
    QString failure;
    if (keep) {
        try {
            CommitRetaining();
        } catch (const std::exception& e) {
            failure = errorText(e);
        }
    }
    const bool committed = keep && failure.isEmpty();
    if (!committed) {
        try {
            Rollback();
        } catch (const std::exception&) {
            // A lost connection has taken the document with it.
        }
    }
    proc_->writeHeldRows(committed);
    if (!committed && commit)
        throw DbError(failure.isEmpty() ? QStringLiteral("Dokuments atcelts") : failure);
}

void TMainFormDati::openPreces(bool utf8)
{
    preces_->detach();
    preces_->attach(path_, user_, password_, lcCtype(utf8));
    fileIdentity_ = isLocalFile(path_) ? fileIdentity(path_) : QString();
    ReadSystemSettings();  // the after-connect handler
}

void TMainFormDati::configureFdc(bool utf8)
{
    fdc_->detach();
    fdcUtf8_ = utf8;
}

bool TMainFormDati::ConnectDatabase(const QString& path, const QString& tempDir)
{
    bool result = false;
    path_ = path;
    // The default rows of a new database are written through the journal connection
    // during the first open, so it must already point at the new path.
    configureFdc(Utf8);
    try {
        openPreces(false);
        SqlQuery cs(*preces_, QStringLiteral("SELECT a.RDB$CHARACTER_SET_NAME CHARACTER_SET FROM RDB$DATABASE a"));
        cs.open();
        if (cs.asString(QStringLiteral("CHARACTER_SET")).trimmed() == QLatin1String("UTF8")) {
            openPreces(true);
            Utf8 = true;
        }
        TempDir = tempDir;
        OperatorName = QStringLiteral("ADMIN");
        result = true;
    } catch (const std::exception& e) {
        // A connection without its settings would let the exchanges run on empty values, and
        // the ticks' check would never reconnect: it stays closed until the next try.
        preces_->detach();
        log_.WriteLog(QStringLiteral("Nevaru atvērt datu bāzi !!!") + errorText(e));
    }

    configureFdc(Utf8);
    try {
        fdcPRECES();
    } catch (const std::exception& e) {
        log_.WriteLog(QStringLiteral("Nevaru atvērt FireDAC konekciju datu bāzi !!!") + errorText(e));
    }
    return result;
}

void TMainFormDati::ReadSystemSettings()
{
    FbDatabase& db = *preces_;

    SqlQuery isi2(db, QString::fromLatin1(kSettingsSelect));
    isi2.open();
    if (isi2.asInt(QStringLiteral("ISN")) == 0) {
        execSql(db, QStringLiteral("INSERT INTO N_ISI2 (ISN) VALUES (10)"));
        CommitRetaining();
        isi2.open();
    }
    DEF_PVN = isi2.asDouble(QStringLiteral("DEF_PVN"));
    FILL2IEPCENA = isi2.asString(QStringLiteral("FILL2IEPCENA")).trimmed() == QLatin1String("T");
    PARDCENASAR = isi2.asInt(QStringLiteral("PARDCENASAR")) == 1;

    SqlQuery isi(db, QString::fromLatin1(kIsiSelect));
    isi.open();
    if (isi.asInt(QStringLiteral("ISN")) == 0) {
        execSql(db, QStringLiteral("INSERT INTO N_ISI (ISIORGNOS, ISIREGNR) VALUES ('TOLVERN', 'TOLVERN')"));
        CommitRetaining();
        isi.open();
        createDefaultRows();
    }
    ISIREGNR = isi.asString(QStringLiteral("ISIREGNR"));

    for (int n = 1; n <= 16; ++n) {
        const QString column = QStringLiteral("ISICENA%1NOS").arg(n);
        if (isi.asString(column).trimmed().isEmpty()) {
            execSql(db, QStringLiteral("UPDATE N_ISI SET %1=:TEKSTS").arg(column),
                    {{QStringLiteral("TEKSTS"), QStringLiteral("%1. cena").arg(n)}});
            CommitRetaining();
        }
    }
    if (isi.asString(QStringLiteral("ISIIZR2ARTNOS")).trimmed().isEmpty()) {
        execSql(db, QStringLiteral("UPDATE N_ISI SET ISIIZR2ARTNOS=:TEKSTS"),
                {{QStringLiteral("TEKSTS"), QStringLiteral("2. artikuls")}});
        CommitRetaining();
    }
}

void TMainFormDati::createDefaultRows()
{
    for (const char* table : kDefaultTables) {
        try {
            ensureDefaultRow(QString::fromLatin1(table));
        } catch (const std::exception& e) {
            proc_->MyErrorHandle(QStringLiteral("PievienoNav"), errorText(e));
        }
    }
}

void TMainFormDati::ensureDefaultRow(const QString& table)
{
    FbDatabase& fdc = fdcPRECES();
    SqlQuery exists(fdc, QStringLiteral("SELECT ISN FROM %1 WHERE ISN=1").arg(table));
    exists.open();
    if (!exists.isEmpty())
        return;
    const QString insert = table == QLatin1String("N_KLPREC")
        ? QStringLiteral("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS) VALUES (1, 1, :GNOS)")
        : QStringLiteral("INSERT INTO %1 (ISN, GNOS) VALUES (1, :GNOS)").arg(table);
    execSql(fdc, insert, {{QStringLiteral("GNOS"), QStringLiteral("Nav noteikts")}});
    // A key generator may have replaced the 1 on insert: renumber the row to 1.
    SqlQuery inserted(fdc, QStringLiteral("SELECT ISN FROM %1 WHERE GNOS='Nav noteikts' ORDER BY ISN DESCENDING").arg(table));
    inserted.open();
    const int isn = inserted.asInt(QStringLiteral("ISN"));
    if (isn > 0)
        execSql(fdc, QStringLiteral("UPDATE %1 SET ISN=1 WHERE ISN=:ISN").arg(table), {{QStringLiteral("ISN"), isn}});
}

bool TMainFormDati::probe()
{
    if (!isConnected())
        return false;
    if (!fileIdentity_.isEmpty() && fileIdentity(path_) != fileIdentity_)
        return false;
    try {
        SqlQuery q(*preces_, QStringLiteral("SELECT ISN FROM N_ISI"));
        q.open();
        return true;
    } catch (const DbError&) {
        return false;
    }
}

void TMainFormDati::UpdateTekAtlik(int isPrece, int isNodala, double daudzums, const QString& nelegaliz, int flag)
{
    SqlQuery q(*preces_, QStringLiteral(
        "EXECUTE PROCEDURE UPDATETEKATLIK(:ISPRECE, :ISNODALA, :DAUDZUMS, :NELEGALIZ, :FLAG)"));
    q.bind(QStringLiteral("ISPRECE"), isPrece)
        .bind(QStringLiteral("ISNODALA"), isNodala)
        .bind(QStringLiteral("DAUDZUMS"), daudzums)
        .bind(QStringLiteral("NELEGALIZ"), nelegaliz)
        .bind(QStringLiteral("FLAG"), flag);
    q.exec();
}
