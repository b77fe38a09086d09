#include "D365Posting.h"

#include "D365Connection.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/My_proc.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

#include <QCoreApplication>
#include <functional>
#include <memory>
#include <vector>

namespace {

// The client whose account stands for every web-shop customer at D365.
constexpr int kWebCustomersAccount = 13876;

// What one element is built from: the document's head row, the current line row and
// what was looked up once for the document.
struct Row {
    const SqlQuery& head;
    const SqlQuery& line;
    const QString& lookedUp;
};

using Format = std::function<QString(const Row&)>;

// A member's value, and whether it changes from line to line: the head's members are
// formatted once per document.
struct Value {
    Format format;
    bool perLine = true;
};

struct Member {
    const char* key;
    Value value;
};

enum class Side { Head, Line };

const SqlQuery& side(const Row& r, Side s)
{
    return s == Side::Head ? r.head : r.line;
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + D365Connection::jsonEscapedText(text) + QLatin1Char('"');
}

QString decimals(double value, int places)
{
    return DateText::fixedText(value, places);
}

// The value forms. An empty column goes as 0, 0.00 or "" rather than as nothing, which
// the service could not read at all.
Value text(Side s, const char* column)
{
    const QString c = QString::fromLatin1(column);
    return {[s, c](const Row& r) { return quoted(side(r, s).asString(c)); }, s == Side::Line};
}

Value number(Side s, const char* column)
{
    const QString c = QString::fromLatin1(column);
    return {[s, c](const Row& r) { return QString::number(side(r, s).asInt(c)); }, s == Side::Line};
}

Value date(Side s, const char* column)
{
    const QString c = QString::fromLatin1(column);
    return {[s, c](const Row& r) {
                const QDateTime d = side(r, s).asDateTime(c);
                return quoted(d.isValid() ? DateText::dateToIso(d.date()) : QString());
            },
            s == Side::Line};
}

Value amount(Side s, const char* column)
{
    const QString c = QString::fromLatin1(column);
    return {[s, c](const Row& r) { return decimals(side(r, s).asDouble(c), 2); }, s == Side::Line};
}

// Prices and quantities have five decimals.
Value fine(Side s, const char* column)
{
    const QString c = QString::fromLatin1(column);
    return {[s, c](const Row& r) { return decimals(side(r, s).asDouble(c), 5); }, s == Side::Line};
}

Value fixed(const char* literal)
{
    return {[literal](const Row&) { return QString::fromLatin1(literal); }, false};
}

Value lookedUp()
{
    return {[](const Row& r) { return quoted(r.lookedUp); }, false};
}

// price × (percent / 100 + 1): a discount or markup applied
Value adjustedPrice(const char* price, const char* percent)
{
    const QString p = QString::fromLatin1(price), f = QString::fromLatin1(percent);
    return {[p, f](const Row& r) { return decimals(r.line.asDouble(p) * (r.line.asDouble(f) / 100 + 1), 5); }};
}

QString L(const char* text)
{
    return QString::fromUtf8(text);
}

}  // namespace

// The line selections join the goods as ISPRECE+0 = N_KLPREC.ISN: the same rows, but an
// index on the lines' ISPRECE can no longer lead the engine to walk the whole goods register
// for every document (as it does when the index statistics are not fresh); the document's
// own lines lead, and each finds its goods by the key.
struct D365Posting::Operation {
    QString name;
    QString prefix;  // of the message for a line without a product code
    QString headSql;
    QString key;     // the head's identifier, also the parameter of its lines and mark
    // Lines and mark by the head's FLAG (PostINV: 1 surplus, 2 shortage); the others have one.
    QStringList lineSql;
    QStringList markSql;
    std::vector<Member> members;
    // Looked up once per document (the delivery type, a substitute account).
    std::function<QString(const SqlQuery& head)> lookUp;
};

D365Posting::D365Posting(ExchangeContext& context, D365Connection& connection)
    : ctx_(context), connection_(connection)
{
}

int D365Posting::PostSAN()
{
    Operation op;
    op.name = QStringLiteral("PostSAN");
    op.prefix = L("Kļūda sagatavojot PostSAN : Nav 5. artikuls, šo pavadzīmi nesūtām P/Z Nr. ");
    op.headSql =
        QStringLiteral(
            "SELECT O_PAVADZ.ISN ISPAVADZ, O_PAVADZ.ISNODALA, N_KLIENT.IDKODS, O_PAVADZ.NR_PAVADZ, O_PAVADZ.INTERPAVNR, "
            "O_PAVADZ.ISPARVPAV, O_PAVADZ.DAT_PAVADZ, O_PAVADZ.TRANSP_IZM, O_PAVADZ.CITAS_IZM, O_PAVADZ.KOPSUMMA, "
            "O_PAVADZ.PVNSUMMA, O_PAVADZ.BEZPVNSUMMA, O_PAVADZ.PASUT_NR FROM O_PAVADZ, N_KLIENT WHERE "
            "O_PAVADZ.ISKLIENT = N_KLIENT.ISN AND COALESCE(O_PAVADZ.D365_READY,'')='T' AND "
            "COALESCE(O_PAVADZ.D365_ID,'')='' AND COALESCE(N_KLIENT.IDKODS,'')!='' AND O_PAVADZ.ISKLIENT!=")
        + QString::number(inventory_.InventPiegadatajs) + QStringLiteral(" AND O_PAVADZ.D365_SENT IS NULL");
    op.key = QStringLiteral("ISPAVADZ");
    op.lineSql << QStringLiteral(
        "SELECT N_KLPREC.ARTIKULS5, N_KLPREC.ARTIKULS, N_KLPREC.GNOS, O_PRECE.DAUDZUMS, O_PRECE.CENA, "
        "O_PRECE.PARD_CENA, N_KLPREC.NODOKLIS, O_PRECE.ISN FROM O_PRECE, N_KLPREC WHERE "
        "O_PRECE.ISPRECE+0 = N_KLPREC.ISN AND O_PRECE.ISPAVADZ=:ISPAVADZ");
    op.markSql << QStringLiteral("UPDATE O_PAVADZ SET D365_SENT=:DATUMS, PZ_BLOK='T' WHERE ISN=:ISPAVADZ");
    op.members = {
        {"ISN", number(Side::Head, "ISPAVADZ")},
        {"ISNDepartment", number(Side::Head, "ISNODALA")},
        {"K42Client", text(Side::Head, "IDKODS")},
        {"PackingSlipNum", text(Side::Head, "NR_PAVADZ")},
        {"ISNMovementPVZ", number(Side::Head, "ISPARVPAV")},
        {"InternalPackingSlipNO", text(Side::Head, "INTERPAVNR")},
        {"ReceivementPVZDate", date(Side::Head, "DAT_PAVADZ")},
        {"TransportCosts", amount(Side::Head, "TRANSP_IZM")},
        {"OtherCosts", amount(Side::Head, "CITAS_IZM")},
        {"PackingSlipSum", amount(Side::Head, "KOPSUMMA")},
        {"VATSum", amount(Side::Head, "PVNSUMMA")},
        {"NoVAT", amount(Side::Head, "BEZPVNSUMMA")},
        {"AssosiatedOrderNum", text(Side::Head, "PASUT_NR")},
        {"ISNReceivementPVZ", number(Side::Head, "ISPAVADZ")},
        {"Product", text(Side::Line, "ARTIKULS5")},
        {"ProductPrice", fine(Side::Line, "CENA")},
        {"Quantity", fine(Side::Line, "DAUDZUMS")},
        // the sales price with VAT, without it
        {"PriceNoVAT",
         {[](const Row& r) {
             return decimals(r.line.asDouble(QStringLiteral("PARD_CENA"))
                                 / (r.line.asDouble(QStringLiteral("NODOKLIS")) / 100 + 1),
                             5);
         }}},
    };
    return post(op);
}

int D365Posting::PostIZR()
{
    Operation op;
    op.name = QStringLiteral("PostIZR");
    op.prefix = L("Kļūda sagatavojot PostIZR : Nav 5. artikuls, šo pavadzīmi nesūtām  P/Z Nr. ");
    op.headSql =
        QStringLiteral(
            "SELECT O_PAVOUT.ISN ISPAVOUT, O_PAVOUT.ISNODALA, N_KLIENT.IDKODS, O_PAVOUT.NR_PAVADZ, O_PAVOUT.DATUMS, "
            "O_PAVOUT.KOPSUMMA, O_PAVOUT.PVNSUMMA, O_PAVOUT.BEZPVNSUMMA, O_PAVOUT.PASUT_NR FROM O_PAVOUT, N_KLIENT "
            "WHERE O_PAVOUT.ISKLIENT = N_KLIENT.ISN AND COALESCE(O_PAVOUT.D365_READY,'')='T' AND "
            "COALESCE(O_PAVOUT.D365_ID,'')='' AND COALESCE(N_KLIENT.IDKODS,'')!='' AND O_PAVOUT.ISKLIENT!=")
        + QString::number(inventory_.InventPircejs) + QStringLiteral(" AND O_PAVOUT.D365_SENT IS NULL");
    op.key = QStringLiteral("ISPAVOUT");
    op.lineSql << QStringLiteral(
        "SELECT N_KLPREC.ARTIKULS5, O_PRCOUT.DAUDZUMS, O_PRCOUT.CENA, O_PRCOUT.PIECENOJ, O_PRCOUT.ISN, "
        "N_KLPREC.ARTIKULS, N_KLPREC.GNOS FROM O_PRCOUT, N_KLPREC WHERE O_PRCOUT.ISPRECE+0 = N_KLPREC.ISN AND "
        "O_PRCOUT.ISPAVOUT=:ISPAVOUT");
    op.markSql << QStringLiteral("UPDATE O_PAVOUT SET D365_SENT=:DATUMS, PZ_BLOK='T' WHERE ISN=:ISPAVOUT");
    op.members = {
        {"ISN", number(Side::Head, "ISPAVOUT")},
        {"ISNDepartment", number(Side::Head, "ISNODALA")},
        {"K42Client", text(Side::Head, "IDKODS")},
        {"PackingSlipDate", date(Side::Head, "DATUMS")},
        {"AssosiatedOrderNum", text(Side::Head, "PASUT_NR")},
        {"PackingSlipSum", amount(Side::Head, "KOPSUMMA")},
        {"VATSum", amount(Side::Head, "PVNSUMMA")},
        {"NoVAT", amount(Side::Head, "BEZPVNSUMMA")},
        {"ISNCheckoutPVZ", number(Side::Head, "ISPAVOUT")},
        {"Product", text(Side::Line, "ARTIKULS5")},
        {"ProductPrice", adjustedPrice("CENA", "PIECENOJ")},
        {"Quantity", fine(Side::Line, "DAUDZUMS")},
        {"PackingSlipNum", text(Side::Head, "NR_PAVADZ")},
    };
    return post(op);
}

int D365Posting::PostPAR()
{
    Operation op;
    op.name = QStringLiteral("PostPAR");
    op.prefix = L("Kļūda sagatavojot PostPAR : Nav 5. artikuls, šo pavadzīmi nesūtām P/Z Nr. ");
    op.headSql = QStringLiteral(
        "SELECT O_PARPAV.ISN ISPARVPAV, O_PARPAV.ISNODALANO, O_PARPAV.ISNODALAUZ, O_PARPAV.NR_PAVADZ, O_PARPAV.DATUMS, "
        "O_PARPAV.KOPSUMMA, O_PARPAV.PVNSUMMA, O_PARPAV.BEZPVNSUMMA, O_PARPAV.PASUT_NR FROM O_PARPAV WHERE "
        "COALESCE(O_PARPAV.D365_READY,'')='T' AND COALESCE(O_PARPAV.D365_ID,'')='' AND O_PARPAV.D365_SENT IS NULL");
    op.key = QStringLiteral("ISPARVPAV");
    op.lineSql << QStringLiteral(
        "SELECT N_KLPREC.ARTIKULS5, N_KLPREC.ARTIKULS, N_KLPREC.GNOS, O_PARPRC.DAUDZUMS, O_PARPRC.CENA, "
        "O_PARPRC.PARD_CENA, O_PARPRC.ISN FROM O_PARPRC, N_KLPREC WHERE O_PARPRC.ISPRECE+0 = N_KLPREC.ISN AND "
        "O_PARPRC.ISPARVPAV=:ISPARVPAV");
    op.markSql << QStringLiteral("UPDATE O_PARPAV SET D365_SENT=:DATUMS, PZ_BLOK='T' WHERE ISN=:ISPARVPAV");
    op.members = {
        {"ISN", number(Side::Head, "ISPARVPAV")},
        {"PackingSlipDate", date(Side::Head, "DATUMS")},
        {"PackingSlipNum", text(Side::Head, "NR_PAVADZ")},
        {"ISNDepartmentFrom", number(Side::Head, "ISNODALANO")},
        {"ISNDepartmentTo", number(Side::Head, "ISNODALAUZ")},
        {"AssosiatedOrderNum", text(Side::Head, "PASUT_NR")},
        {"ISNMovementPVZ", number(Side::Head, "ISPARVPAV")},
        {"Product", text(Side::Line, "ARTIKULS5")},
        {"Quantity", fine(Side::Line, "DAUDZUMS")},
        {"ProductPrice", fine(Side::Line, "CENA")},
        {"PackingSlipSum", amount(Side::Head, "KOPSUMMA")},
        {"VATSum", amount(Side::Head, "PVNSUMMA")},
        {"NoVAT", amount(Side::Head, "BEZPVNSUMMA")},
        {"PriceNoVAT", amount(Side::Line, "PARD_CENA")},
    };
    return post(op);
}

int D365Posting::PostPAS()
{
    Operation op;
    op.name = QStringLiteral("PostPAS");
    op.prefix = L("Kļūda sagatavojot PostPAS : Nav 5. artikuls, šo pavadzīmi nesūtām P/Z Nr. ");
    op.headSql = QStringLiteral(
        "SELECT O_PASPAV.ISN ISPASPAV, O_PASPAV.ISNODALA, O_PASPAV.ISNODALAUZ, N_KLIENT.IDKODS, O_PASPAV.NR_PAVADZ, "
        "O_PASPAV.DATUMS, O_PASPAV.DAT_PIEGADE, O_PASPAV.KOPSUMMA, O_PASPAV.PVNSUMMA, O_PASPAV.BEZPVNSUMMA, "
        "O_PASPAV.APMNOTEIKUMI FROM O_PASPAV, N_KLIENT WHERE O_PASPAV.ISKLIENT = N_KLIENT.ISN AND "
        "COALESCE(O_PASPAV.D365_READY,'')='T' AND COALESCE(O_PASPAV.D365_ID,'')='' AND "
        "COALESCE(N_KLIENT.IDKODS,'')!='' AND O_PASPAV.PIEGADPIRCEJS = 1 AND O_PASPAV.D365_SENT IS NULL");
    op.key = QStringLiteral("ISPASPAV");
    op.lineSql << QStringLiteral(
        "SELECT N_KLPREC.ARTIKULS5, N_KLPREC.ARTIKULS, N_KLPREC.GNOS, O_PASPRC.DAUDZUMS, O_PASPRC.CENA, "
        "O_PASPRC.ATLAIDE, O_PASPRC.ISN FROM O_PASPRC, N_KLPREC WHERE O_PASPRC.ISPRECE+0 = N_KLPREC.ISN AND "
        "O_PASPRC.ISPASPAV=:ISPASPAV");
    op.markSql << QStringLiteral("UPDATE O_PASPAV SET D365_SENT=:DATUMS, PZ_BLOK='T' WHERE ISN=:ISPASPAV");
    op.members = {
        {"ISN", number(Side::Head, "ISPASPAV")},
        {"ISNDepartment", number(Side::Head, "ISNODALA")},
        {"K42Client", text(Side::Head, "IDKODS")},
        {"PackingSlipDate", date(Side::Head, "DATUMS")},
        {"PackingSlipNum", text(Side::Head, "NR_PAVADZ")},
        {"DeliveryDate", date(Side::Head, "DAT_PIEGADE")},
        {"OrderType", fixed("1")},
        {"PackingSlipSum", amount(Side::Head, "KOPSUMMA")},
        {"VATSum", amount(Side::Head, "PVNSUMMA")},
        {"NoVAT", amount(Side::Head, "BEZPVNSUMMA")},
        {"ISNDepartmentTo", number(Side::Head, "ISNODALAUZ")},
        {"ISNOrderPVZ", number(Side::Head, "ISPASPAV")},
        {"Product", text(Side::Line, "ARTIKULS5")},
        {"ProductPrice", adjustedPrice("CENA", "ATLAIDE")},
        {"Quantity", fine(Side::Line, "DAUDZUMS")},
        {"DeliveryType", lookedUp()},
    };
    // The order names a vendor schedule; its delivery type is the same for every line.
    op.lookUp = [this](const SqlQuery& head) {
        SqlQuery q(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT N_KLPASGRAF.PIEGAD_VEIDS FROM N_KLPASGRAF where ISN=:ISN"));
        q.bind(QStringLiteral("ISN"), head.asInt(QStringLiteral("APMNOTEIKUMI")));
        q.open();
        const QString kind = q.asString(QStringLiteral("PIEGAD_VEIDS")).trimmed();
        if (kind == L("Bāzes piegāde"))
            return QStringLiteral("BaseDelivery");
        if (kind == L("Tiešā piegāde"))
            return QStringLiteral("DirectDelivery");
        return QStringLiteral("None");
    };
    return post(op);
}

int D365Posting::PostATGR()
{
    Operation op;
    op.name = QStringLiteral("PostATGR");
    op.prefix = L("Kļūda sagatavojot PostATGR : Nav 5. artikuls, šo pavadzīmi nesūtām P/Z Nr. ");
    op.headSql = QStringLiteral(
        "SELECT O_ATGPAV.ISN ISATGPAV, O_ATGPAV.ISNODALA, N_KLIENT.IDKODS, N_KLIENT.E_KLIENTS, O_ATGPAV.NR_PAVADZ, "
        "O_ATGPAV.DATUMS, O_ATGPAV.KOPSUMMA, O_ATGPAV.PVNSUMMA, O_ATGPAV.BEZPVNSUMMA, O_ATGPAV.FROM_WHAT FROM "
        "O_ATGPAV, N_KLIENT WHERE O_ATGPAV.ISKLIENT = N_KLIENT.ISN AND COALESCE(O_ATGPAV.D365_READY,'')='T' AND "
        "COALESCE(O_ATGPAV.D365_ID,'')='' AND COALESCE(N_KLIENT.IDKODS,'')!='' AND O_ATGPAV.D365_SENT IS NULL");
    op.key = QStringLiteral("ISATGPAV");
    op.lineSql << QStringLiteral(
        "SELECT N_KLPREC.ARTIKULS5, N_KLPREC.ARTIKULS, N_KLPREC.GNOS, O_ATGPRC.DAUDZUMS, O_ATGPRC.CENA, "
        "O_ATGPRC.IEP_CENA, O_ATGPRC.ISN FROM O_ATGPRC, N_KLPREC WHERE O_ATGPRC.ISPRECE+0 = N_KLPREC.ISN AND "
        "O_ATGPRC.ISATGPAV=:ISATGPAV");
    // a return is not locked
    op.markSql << QStringLiteral("UPDATE O_ATGPAV SET D365_SENT=:DATUMS WHERE ISN=:ISATGPAV");
    op.members = {
        {"ISN", number(Side::Head, "ISATGPAV")},
        {"ISNDepartment", number(Side::Head, "ISNODALA")},
        {"K42Client", lookedUp()},
        {"PackingSlipNum", text(Side::Head, "NR_PAVADZ")},
        {"PackingSlipDate", date(Side::Head, "DATUMS")},
        {"OrderReturn", number(Side::Head, "FROM_WHAT")},
        {"PackingSlipSum", amount(Side::Head, "KOPSUMMA")},
        {"VATSum", amount(Side::Head, "PVNSUMMA")},
        {"NoVAT", amount(Side::Head, "BEZPVNSUMMA")},
        {"ISNReturnPVZ", number(Side::Head, "ISATGPAV")},
        {"Product", text(Side::Line, "ARTIKULS5")},
        {"Quantity", fine(Side::Line, "DAUDZUMS")},
        {"ProductPrice", fine(Side::Line, "CENA")},
        {"PurchPrice", fine(Side::Line, "IEP_CENA")},
        {"PriceNoVAT", fixed("0.00")},
    };
    // Web-shop customers are not accounts at D365: their returns go to the shop's account.
    op.lookUp = [this](const SqlQuery& head) {
        if (head.asString(QStringLiteral("E_KLIENTS")).trimmed() == QLatin1String("T"))
            return ctx_.dati.proc().GetNotUseString(QStringLiteral("N_KLIENT"), QStringLiteral("IDKODS"),
                                                    kWebCustomersAccount);
        return head.asString(QStringLiteral("IDKODS"));
    };
    return post(op);
}

int D365Posting::PostINV()
{
    Operation op;
    op.name = QStringLiteral("PostINV");
    op.prefix = L("Kļūda sagatavojot PostINV : Nav 5. artikuls., šo pavadzīmi nesūtām P/Z Nr. ");
    op.headSql = QStringLiteral(
                     "SELECT O_PAVADZ.ISN ISPAVADZ, O_PAVADZ.ISNODALA, O_PAVADZ.NR_PAVADZ, 1 FLAG FROM O_PAVADZ WHERE "
                     "COALESCE(O_PAVADZ.D365_READY,'')='T' AND O_PAVADZ.ISKLIENT=")
                 + QString::number(inventory_.InventPiegadatajs)
                 + QStringLiteral(
                     " AND O_PAVADZ.D365_SENT IS NULL UNION SELECT O_PAVOUT.ISN ISPAVADZ, O_PAVOUT.ISNODALA, "
                     "O_PAVOUT.NR_PAVADZ, 2 FLAG FROM O_PAVOUT WHERE COALESCE(O_PAVOUT.D365_READY,'')='T' AND "
                     "O_PAVOUT.ISKLIENT=")
                 + QString::number(inventory_.InventPircejs)
                 + QStringLiteral(" AND O_PAVOUT.D365_SENT IS NULL ORDER BY 4");
    op.key = QStringLiteral("ISPAVADZ");
    op.lineSql << QStringLiteral(
                      "SELECT N_KLPREC.ARTIKULS5, N_KLPREC.ARTIKULS, N_KLPREC.GNOS, O_PRECE.DAUDZUMS, O_PRECE.ISN "
                      "FROM O_PRECE, N_KLPREC WHERE O_PRECE.ISPRECE+0 = N_KLPREC.ISN AND O_PRECE.ISPAVADZ=:ISPAVADZ")
               // shortages go as negative quantities
               << QStringLiteral(
                      "SELECT N_KLPREC.ARTIKULS5, O_PRCOUT.DAUDZUMS*-1 DAUDZUMS, O_PRCOUT.ISN, N_KLPREC.ARTIKULS, "
                      "N_KLPREC.GNOS FROM O_PRCOUT, N_KLPREC WHERE O_PRCOUT.ISPRECE+0 = N_KLPREC.ISN AND "
                      "O_PRCOUT.ISPAVOUT=:ISPAVADZ");
    op.markSql << QStringLiteral("UPDATE O_PAVADZ SET D365_SENT=:DATUMS, PZ_BLOK='T' WHERE ISN=:ISPAVADZ")
               << QStringLiteral("UPDATE O_PAVOUT SET D365_SENT=:DATUMS, PZ_BLOK='T' WHERE ISN=:ISPAVADZ");
    op.members = {
        {"ISN", number(Side::Head, "ISPAVADZ")},
        {"ISNDepartment", number(Side::Head, "ISNODALA")},
        {"JournalId", text(Side::Head, "NR_PAVADZ")},
        {"Product", text(Side::Line, "ARTIKULS5")},
        {"Quantity", fine(Side::Line, "DAUDZUMS")},
    };
    return post(op);
}

int D365Posting::post(const Operation& op)
{
    connection_.startLine(op.name);
    // A failure here is not one document's: it leaves the operation and ends the run.
    SqlQuery heads(ctx_.dati.PRECES_DB(), op.headSql);
    heads.open();

    // Prepared once per operation, one of each per FLAG.
    std::vector<std::unique_ptr<SqlQuery>> lines, marks;
    for (const QString& sql : op.lineSql)
        lines.push_back(std::make_unique<SqlQuery>(ctx_.dati.PRECES_DB(), sql));
    for (const QString& sql : op.markSql)
        marks.push_back(std::make_unique<SqlQuery>(ctx_.dati.PRECES_DB(), sql));

    for (; !heads.eof(); heads.next()) {
        QCoreApplication::processEvents();
        const QString number = heads.asString(QStringLiteral("NR_PAVADZ"));
        const int flag = lines.size() > 1 ? qBound(1, heads.asInt(QStringLiteral("FLAG")), int(lines.size())) : 1;
        bool accepted = false;
        try {
            QString inner;
            if (!prepare(op, heads, *lines[flag - 1], inner))
                continue;  // stays ready: selected again at the next run
            const HttpResponse& response = connection_.send(inner);
            const D365PostReply reply = D365Connection::readPostReply(response);
            if (reply.accepted) {
                accepted = true;
            } else if (response.status == 200) {
                ctx_.log.WriteLog(L("Kļūda datos. P/Z Nr. ") + number + QStringLiteral(" StatusCode=") + reply.status
                                  + QLatin1Char(' ') + reply.message);
            } else {
                ctx_.log.WriteLog(L("Kļūda iegūstot ") + op.name + QStringLiteral(". P/Z Nr. ") + number
                                  + QStringLiteral(" StatusCode=%1 ").arg(response.status) + response.text());
            }
        } catch (const D365Timeout& e) {
            // A hanging service would cost the whole time-out for every document: the rest
            // of this list stays ready for the next run, and the next operation goes on.
            ctx_.log.WriteLog(L("Kļūda pie ") + op.name + QStringLiteral(". P/Z Nr. ") + number + L(" Paziņojums :\n")
                              + e.message());
            int left = 0;
            for (heads.next(); !heads.eof(); heads.next())
                ++left;
            const QString line = op.name + L(": D365 neatbild, pārējās %1 pavadzīmes paliek nākamajai reizei").arg(left);
            ctx_.log.WriteLog(line);
            ctx_.report.fail(line);
            return 0;
        } catch (const std::exception& e) {
            ctx_.log.WriteLog(L("Kļūda pie ") + op.name + QStringLiteral(". P/Z Nr. ") + number + L(" Paziņojums :\n")
                              + errorText(e));
        }
        if (accepted)
            markSent(op, heads, *marks[flag - 1], number);
    }
    connection_.endLine(op.name);
    return 0;
}

bool D365Posting::prepare(const Operation& op, const SqlQuery& head, SqlQuery& lines, QString& inner)
{
    const QString number = head.asString(QStringLiteral("NR_PAVADZ"));
    lines.bind(op.key, head.asInt(op.key));
    lines.open();
    const QString looked = op.lookUp && !lines.eof() ? op.lookUp(head) : QString();

    inner = QStringLiteral("{\"") + op.name + QStringLiteral("\": [");
    const QString open = QStringLiteral("{ \"Company\": \"") + QLatin1String(D365Connection::kCompany) + QLatin1Char('"');
    QStringList labels, headParts;
    for (const Member& m : op.members)
        labels << QStringLiteral(",\"") + QLatin1String(m.key) + QStringLiteral("\": ");
    bool sendable = true;
    int elements = 0;
    for (; !lines.eof(); lines.next()) {
        if (lines.asString(QStringLiteral("ARTIKULS5")).trimmed().isEmpty()) {
            // every such line is named, so that all of them can be mended at once
            ctx_.log.WriteLog(op.prefix + number + QStringLiteral(" prece ") + lines.asString(QStringLiteral("ARTIKULS"))
                              + QLatin1Char(' ') + lines.asString(QStringLiteral("GNOS")));
            sendable = false;
        }
        if (!sendable)
            continue;
        if (elements++ > 0)
            inner += QLatin1Char(',');
        const Row row{head, lines, looked};
        if (headParts.isEmpty())
            for (const Member& m : op.members)
                headParts << (m.value.perLine ? QString() : m.value.format(row));
        inner += open;
        for (qsizetype i = 0; i < labels.size(); ++i) {
            inner += labels[i];
            inner += op.members[i].value.perLine ? op.members[i].value.format(row) : headParts[i];
        }
        inner += QLatin1Char('}');
    }
    inner += QStringLiteral("]}");
    return sendable && elements > 0;
}

void D365Posting::markSent(const Operation& op, const SqlQuery& head, SqlQuery& mark, const QString& number)
{
    // Not a DocumentScope: it would first commit what came before it (nothing, every
    // document commits its own mark), and that second commit per document doubles the run.
    try {
        mark.bind(QStringLiteral("DATUMS"), ctx_.clock.now());
        mark.bind(op.key, head.asInt(op.key));
        mark.exec();
        ctx_.dati.CommitRetaining();
        ctx_.report.moved(1);
    } catch (const std::exception& e) {
        // Nothing of a failed commit may stay for the next document's commit to keep.
        try {
            ctx_.dati.Rollback();
        } catch (const std::exception&) {
            // a lost connection has taken it with it
        }
        // The service has it; unmarked it goes again at the next run, and this line is
        // how the repeat is recognised there.
        const QString line = L("Kļūda pie ") + op.name + QStringLiteral(". P/Z Nr. ") + number
                             + L(" D365 pieņēma, bet nav atzīmēts kā nosūtīts (nākamajā reizē tiks sūtīts atkārtoti)."
                                 " Paziņojums :\n")
                             + errorText(e);
        ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
    }
}
