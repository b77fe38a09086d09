#include "TelemaExport.h"

#include "TelemaRest.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/My_proc.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

#include <cctype>

namespace {

const char* const kOrderSelection =
    "SELECT O_PASPAV.ISN FROM O_PASPAV WHERE O_PASPAV.PIEGADPIRCEJS = 1 AND "
    "(O_PASPAV.FTP_STATUSS=0 OR O_PASPAV.FTP_STATUSS IS NULL)";

const char* const kBranchCheck =
    "SELECT N_KL_STRV.ISN, N_KL_STRV.NESUTIT_TELEMAA FROM O_PASPAV, N_KL_STRV "
    "WHERE O_PASPAV.ISKLSTRV =N_KL_STRV.ISN AND O_PASPAV.ISN=:ISPASPAV";

// A supplier without a bank row still has its orders sent.
const char* const kOrderHead =
    "SELECT n_klient.gnos, n_klient.regnr, n_klient.pvnkods, n_klient.valsts, n_klient.valsts_kods, "
    "n_klient.pastindeks, n_klient.adrese, n_klient.adrese2, n_klient.konts, n_klient.FTP_KLKODS, "
    "n_klient.FTP_MERV_FLAG, n_klient.FTP_MERVIEN, N_KLIENT.EDISOFT_ARTIK_NR, N_KLIENT.FTP_ARTIKULS3, "
    "N_KLIENT.FTP_BEZIEP_C, n_banka.gnos bank_gnos, n_banka.kods bank_kods, o_paspav.isn, o_paspav.datums, "
    "o_paspav.dat_piegade, o_paspav.nr_pavadz, o_paspav.pz_serija, o_paspav.kopsumma, o_paspav.pvnsumma, "
    "o_paspav.bezpvnsumma, N_DEPART.TELEMAA_KODS, N_DEPART.GNOS NODALA, N_DEPART.TIRDZNADR NOD_ADRESE "
    "FROM o_paspav JOIN n_klient ON o_paspav.isklient = n_klient.isn "
    "JOIN n_depart ON o_paspav.isnodala = n_depart.isn LEFT JOIN n_banka ON n_banka.isn = n_klient.isbanka "
    "WHERE o_paspav.ISN = :Ispaspav";

const char* const kCompany =
    "select n_isi.isiorgnos, n_isi.isiregnr, n_isi.isinod_nr, n_isi.isiorgadr, n_isi.isiorgvalsts, "
    "n_isi.isibanknos, n_isi.isibankkods, n_isi.isikorkonts from n_isi";

const char* const kOrderGroups =
    "select o_pasprc.nodoklis, sum(o_pasprc.cena * (1 + o_pasprc.atlaide/100) * o_pasprc.APSTIPRIN_DAUDZ) summa, "
    "sum(o_pasprc.cena * (1 + o_pasprc.atlaide/100) * o_pasprc.APSTIPRIN_DAUDZ * (o_pasprc.nodoklis/100)) pvnsumma "
    "from o_pasprc where o_pasprc.ispaspav = :ispaspav group by o_pasprc.nodoklis order by o_pasprc.nodoklis";

const char* const kOrderLines =
    "select n_klprec.gnos, N_KLPREC.ARTIKULS, N_KLPREC.ARTIKULS2, N_KLPREC.ARTIKULS3, N_KLPREC.ARTIKULS4, "
    "N_KLPREC.ARTIKULS5, N_KLPREC.ARTIKULS6, N_KLPREC.ARTIKULS7, n_klprec.mervieniba, n_klprec.EXPSVARI, "
    "o_pasprc.nodoklis, (o_pasprc.cena * (1 + o_pasprc.atlaide/100) * o_pasprc.APSTIPRIN_DAUDZ * "
    "(o_pasprc.nodoklis/100)) nod_summa, (o_pasprc.cena * (1 + o_pasprc.atlaide/100) * o_pasprc.APSTIPRIN_DAUDZ * "
    "(1 + o_pasprc.nodoklis/100)) ar_nod_summa, o_pasprc.APSTIPRIN_DAUDZ daudzums, o_pasprc.atlaide, o_pasprc.cena, "
    "(o_pasprc.cena * (1 + o_pasprc.atlaide/100)) cena_ar_atlaidi, (o_pasprc.cena * (1 + o_pasprc.atlaide/100) * "
    "o_pasprc.APSTIPRIN_DAUDZ) summa_ar_atlaidi from o_pasprc, n_klprec where o_pasprc.ispaspav = :ispaspav and "
    "o_pasprc.isprece = n_klprec.isn";

// A customer without a bank row still gets its invoices.
const char* const kInvoiceSelection =
    "SELECT n_klient.isn kl_isn, n_klient.gnos, n_klient.regnr, n_klient.pvnkods, n_klient.valsts, "
    "n_klient.valsts_kods, n_klient.pastindeks, n_klient.adrese, n_klient.adrese2, n_klient.konts, "
    "N_KLIENT.EDISOFT_ARTIK_NR, N_KLIENT.FTP_ARTIKULS3, n_banka.gnos bank_gnos, n_banka.kods bank_kods, "
    "o_pavout.isn, o_pavout.datums, o_pavout.dat_atkr, o_pavout.nr_pavadz, o_pavout.pz_serija, o_pavout.kopsumma, "
    "o_pavout.pvnsumma, o_pavout.bezpvnsumma, o_pavout.ISKLSTRV, o_pavout.APM_LIDZ, N_DEPART.ADRESE NOD_ADRESE, "
    "o_pavout.PASUT_NR, o_pavout.PVN_REVERSS FROM o_pavout JOIN n_klient ON o_pavout.isklient = n_klient.isn "
    "JOIN N_DEPART ON O_PAVOUT.ISNODALA = N_DEPART.ISN LEFT JOIN n_banka ON n_banka.isn = n_klient.isbanka "
    "WHERE N_KLIENT.FTP_TIPS = 4 AND (N_KLIENT.FTP_IZRAKSTNESUTIT IS NULL OR N_KLIENT.FTP_IZRAKSTNESUTIT='F') "
    "AND (O_PAVOUT.FTP_STATUSS IS NULL OR O_PAVOUT.FTP_STATUSS=0)";

const char* const kInvoiceBranch =
    "select n_kl_strv.kods, n_kl_strv.gnos, n_kl_strv.adrese from n_kl_strv where n_kl_strv.isn = :ISKLSTRV";

const char* const kInvoiceGroups =
    "select o_prcout.nodoklis, sum(o_prcout.cena * (1 + o_prcout.piecenoj/100) * o_prcout.daudzums) summa, "
    "sum(o_prcout.cena * (1 + o_prcout.piecenoj/100) * (o_prcout.nodoklis/100) * o_prcout.daudzums) nod_summa "
    "from o_prcout where o_prcout.ispavout = :ispavout group by o_prcout.nodoklis order by o_prcout.nodoklis";

const char* const kInvoiceTaxedGroups =
    "select o_prcout.nodoklis, sum(o_prcout.cena * (1 + o_prcout.piecenoj/100) * o_prcout.daudzums) summa, "
    "sum(o_prcout.cena * (1 + o_prcout.piecenoj/100) * (o_prcout.nodoklis/100) * o_prcout.daudzums) nod_summa "
    "from o_prcout where COALESCE(O_PRCOUT.PVN_REVERSS, 0)=0 AND o_prcout.ispavout = :ispavout "
    "group by o_prcout.nodoklis order by o_prcout.nodoklis";

const char* const kInvoiceReverseTotal =
    "select sum(o_prcout.cena * (1 + o_prcout.piecenoj/100) * o_prcout.daudzums) summa from o_prcout "
    "where COALESCE(O_PRCOUT.PVN_REVERSS, 0)>0 AND o_prcout.ispavout = :ispavout";

const char* const kInvoiceLines =
    "select n_klprec.gnos, N_KLPREC.ARTIKULS, N_KLPREC.ARTIKULS2, N_KLPREC.ARTIKULS3, N_KLPREC.ARTIKULS4, "
    "N_KLPREC.ARTIKULS5, N_KLPREC.ARTIKULS6, N_KLPREC.ARTIKULS7, n_klprec.mervieniba, o_prcout.nodoklis, "
    "(o_prcout.cena * (1 + o_prcout.piecenoj/100) * (o_prcout.nodoklis/100) * o_prcout.daudzums) nod_summa, "
    "(o_prcout.cena * (1 + o_prcout.piecenoj/100) * (1 + o_prcout.nodoklis/100) * o_prcout.daudzums) ar_nod_summa, "
    "o_prcout.daudzums, o_prcout.piecenoj, o_prcout.cena, (o_prcout.cena * (1 + o_prcout.piecenoj/100)) "
    "cena_ar_atlaidi, (o_prcout.cena * (1 + o_prcout.piecenoj/100) * o_prcout.daudzums) summa_ar_atlaidi, "
    "o_prcout.PVN_REVERSS from o_prcout, n_klprec where o_prcout.ispavout = :ispavout and "
    "o_prcout.isprece = n_klprec.isn";

QString text(const SqlQuery& q, const char* field)
{
    return q.asString(QLatin1String(field)).trimmed();
}

double number(const SqlQuery& q, const char* field)
{
    return q.asDouble(QLatin1String(field));
}

QDate day(const SqlQuery& q, const char* field)
{
    return q.asDateTime(QLatin1String(field)).date();
}

// The partner's setting 2..7 names the article column of a code; anything else is ARTIKULS.
QString article(const SqlQuery& line, int column)
{
    return column >= 2 && column <= 7 ? text(line, QStringLiteral("ARTIKULS%1").arg(column).toLatin1().constData())
                                      : text(line, "ARTIKULS");
}

// The codes of the goods and the line values both selections share. The partner's
// EDISOFT_ARTIK_NR names the column of the bar code, FTP_ARTIKULS3 that of its own codes.
TelemaItem item(const SqlQuery& q, int gtinColumn, int sellerColumn, const char* discount)
{
    TelemaItem i;
    i.gnos = text(q, "GNOS");
    i.sellerItemCode = article(q, sellerColumn);
    i.gtin = article(q, gtinColumn);
    i.baseUnit = text(q, "MERVIENIBA");
    i.daudzums = number(q, "DAUDZUMS");
    i.atlaide = number(q, discount);
    i.cena = number(q, "CENA");
    i.cena_ar_atlaidi = number(q, "CENA_AR_ATLAIDI");
    i.summa_ar_atlaidi = number(q, "SUMMA_AR_ATLAIDI");
    i.nodoklis = number(q, "NODOKLIS");
    i.nod_summa = number(q, "NOD_SUMMA");
    i.ar_nod_summa = number(q, "AR_NOD_SUMMA");
    return i;
}

// "statusCode":1 and not 10, 11, ...
bool accepted(const HttpResponse& response)
{
    if (response.status != 200)
        return false;
    const QByteArray key = "\"statusCode\":1";
    for (int at = response.body.indexOf(key); at >= 0; at = response.body.indexOf(key, at + 1)) {
        const int after = at + key.size();
        if (after >= response.body.size() || !std::isdigit(static_cast<unsigned char>(response.body.at(after))))
            return true;
    }
    return false;
}

}  // namespace

TelemaExport::TelemaExport(ExchangeContext& context, TTelemaRest& rest) : ctx_(context), rest_(rest)
{
}

const char* TelemaExport::invoiceSelection()
{
    return kInvoiceSelection;
}

TelemaCompany TelemaExport::company()
{
    SqlQuery q(ctx_.dati.PRECES_DB(), QLatin1String(kCompany));
    q.open();
    TelemaCompany c;
    c.isiorgnos = text(q, "ISIORGNOS");
    c.isiregnr = text(q, "ISIREGNR");
    c.isinod_nr = text(q, "ISINOD_NR");
    c.isiorgadr = text(q, "ISIORGADR");
    c.isiorgvalsts = text(q, "ISIORGVALSTS");
    c.isibanknos = text(q, "ISIBANKNOS");
    c.isibankkods = text(q, "ISIBANKKODS");
    c.isikorkonts = text(q, "ISIKORKONTS");
    return c;
}

bool TelemaExport::branchForbids(int isPasPav)
{
    SqlQuery q(ctx_.dati.PRECES_DB(), QLatin1String(kBranchCheck));
    q.bind(QStringLiteral("ISPASPAV"), isPasPav);
    q.open();
    return text(q, "NESUTIT_TELEMAA") == QLatin1String("T");
}

std::optional<TelemaOrderDocument> TelemaExport::readPurchaseOrder(int isPasPav)
{
    SqlQuery head(ctx_.dati.PRECES_DB(), QLatin1String(kOrderHead));
    head.bind(QStringLiteral("Ispaspav"), isPasPav);
    head.open();
    if (head.isEmpty())
        return std::nullopt;

    TelemaOrderDocument d;
    d.today = ctx_.clock.now().date();
    d.company = company();
    d.TELEMAA_KODS = text(head, "TELEMAA_KODS");
    d.NODALA = text(head, "NODALA");
    d.NOD_ADRESE = text(head, "NOD_ADRESE");
    d.FTP_KLKODS = text(head, "FTP_KLKODS");
    d.gnos = text(head, "GNOS");
    d.regnr = text(head, "REGNR");
    d.pvnkods = text(head, "PVNKODS");
    d.adrese = text(head, "ADRESE");
    d.pastindeks = text(head, "PASTINDEKS");
    d.valsts = text(head, "VALSTS");
    d.withoutPrices = text(head, "FTP_BEZIEP_C") == QLatin1String("T");
    d.nr_pavadz = text(head, "NR_PAVADZ");
    d.pz_serija = text(head, "PZ_SERIJA");
    d.datums = day(head, "DATUMS");
    d.dat_piegade = day(head, "DAT_PIEGADE");
    d.bezpvnsumma = number(head, "BEZPVNSUMMA");

    SqlQuery groups(ctx_.dati.PRECES_DB(), QLatin1String(kOrderGroups));
    groups.bind(QStringLiteral("ispaspav"), isPasPav);
    for (groups.open(); !groups.eof(); groups.next())
        d.groups << TelemaVatGroup{number(groups, "NODOKLIS"), number(groups, "SUMMA"), number(groups, "PVNSUMMA")};

    const int gtinColumn = head.asInt(QStringLiteral("EDISOFT_ARTIK_NR"));
    const int sellerColumn = head.asInt(QStringLiteral("FTP_ARTIKULS3"));
    const int unitFlag = head.asInt(QStringLiteral("FTP_MERV_FLAG"));
    const QString fixedUnit = text(head, "FTP_MERVIEN");
    SqlQuery lines(ctx_.dati.PRECES_DB(), QLatin1String(kOrderLines));
    lines.bind(QStringLiteral("ispaspav"), isPasPav);
    for (lines.open(); !lines.eof(); lines.next()) {
        TelemaItem i = item(lines, gtinColumn, sellerColumn, "ATLAIDE");
        // The unit: the goods' own, or for goods not weighed the supplier's fixed one, or none.
        i.hasBaseUnit = unitFlag == 1 || unitFlag == 2;
        if (unitFlag == 2 && text(lines, "EXPSVARI") != QLatin1String("T"))
            i.baseUnit = fixedUnit;
        d.items << i;
    }
    return d;
}

TelemaInvoiceDocument TelemaExport::readInvoice(const SqlQuery& head)
{
    const int isn = head.asInt(QStringLiteral("ISN"));
    TelemaInvoiceDocument d;
    d.today = ctx_.clock.now().date();
    d.company = company();
    d.gnos = text(head, "GNOS");
    d.regnr = text(head, "REGNR");
    d.pvnkods = text(head, "PVNKODS");
    d.adrese = text(head, "ADRESE");
    d.pastindeks = text(head, "PASTINDEKS");
    d.valsts = text(head, "VALSTS");
    d.konts = text(head, "KONTS");
    d.bank_kods = text(head, "BANK_KODS");
    d.bank_gnos = text(head, "BANK_GNOS");
    d.NOD_ADRESE = text(head, "NOD_ADRESE");
    d.nr_pavadz = text(head, "NR_PAVADZ");
    d.pz_serija = text(head, "PZ_SERIJA");
    d.PASUT_NR = text(head, "PASUT_NR");
    d.datums = day(head, "DATUMS");
    d.APM_LIDZ = day(head, "APM_LIDZ");
    d.dat_atkr = day(head, "DAT_ATKR");
    d.bezpvnsumma = number(head, "BEZPVNSUMMA");
    d.pvnsumma = number(head, "PVNSUMMA");
    d.kopsumma = number(head, "KOPSUMMA");
    d.reverseCharge = text(head, "PVN_REVERSS") == QLatin1String("T");

    SqlQuery branch(ctx_.dati.PRECES_DB(), QLatin1String(kInvoiceBranch));
    branch.bind(QStringLiteral("ISKLSTRV"), head.asInt(QStringLiteral("ISKLSTRV")));
    branch.open();
    d.branchKods = text(branch, "KODS");
    d.branchGnos = text(branch, "GNOS");
    d.branchAdrese = text(branch, "ADRESE");

    SqlQuery groups(ctx_.dati.PRECES_DB(), QLatin1String(d.reverseCharge ? kInvoiceTaxedGroups : kInvoiceGroups));
    groups.bind(QStringLiteral("ispavout"), isn);
    for (groups.open(); !groups.eof(); groups.next())
        d.groups << TelemaVatGroup{number(groups, "NODOKLIS"), number(groups, "SUMMA"), number(groups, "NOD_SUMMA")};
    if (d.reverseCharge) {
        SqlQuery total(ctx_.dati.PRECES_DB(), QLatin1String(kInvoiceReverseTotal));
        total.bind(QStringLiteral("ispavout"), isn);
        total.open();
        d.reverseChargeTotal = number(total, "SUMMA");
    }

    const int gtinColumn = head.asInt(QStringLiteral("EDISOFT_ARTIK_NR"));
    const int sellerColumn = head.asInt(QStringLiteral("FTP_ARTIKULS3"));
    SqlQuery lines(ctx_.dati.PRECES_DB(), QLatin1String(kInvoiceLines));
    lines.bind(QStringLiteral("ispavout"), isn);
    for (lines.open(); !lines.eof(); lines.next()) {
        TelemaItem i = item(lines, gtinColumn, sellerColumn, "PIECENOJ");
        i.reverseCharge = lines.asInt(QStringLiteral("PVN_REVERSS")) > 0;
        d.items << i;
    }
    return d;
}

TelemaExport::Upload TelemaExport::upload(const QString& documentText, const QString& filename, bool invoice)
{
    if (!rest_.GetAcessToken())
        return Upload::NoToken;
    HttpResponse response;
    try {
        response = rest_.execute("POST", QStringLiteral("data"), TelemaEDocument::uploadBody(documentText, filename));
    } catch (const std::exception& e) {
        const QString line = (invoice ? QStringLiteral("Kļūda iesūtot izraksīšanas pavadzīmi Telema. Paziņojums :\n")
                                      : QStringLiteral("Kļūda iesūtot pasūtījumu Telema. Paziņojums :\n"))
            + errorText(e);
        ctx_.dati.proc().MyErrorHandle(QStringLiteral(" TTelemaRest::TelemaExpOrdersProcess"), line);
        ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
        return Upload::NotAccepted;
    }
    if (accepted(response))
        return Upload::Accepted;
    const QString line = (invoice ? QStringLiteral("Kļūda iesūtot izrakstīšanas pavadzīmi Telema ")
                                  : QStringLiteral("Kļūda iesūtot pasūtījumu Telema "))
        + QString::number(response.status) + QStringLiteral(" Paziņojums:") + response.text();
    ctx_.log.WriteLog(line);
    ctx_.report.fail(line);
    return Upload::NotAccepted;
}

void TelemaExport::mark(const char* table, int isn)
{
    SqlQuery q(ctx_.dati.PRECES_DB(),
               QStringLiteral("UPDATE %1 SET FTP_STATUSS = 1, FTP_DATUMS=:FTP_DATUMS WHERE ISN=:ISN").arg(QLatin1String(table)));
    q.bind(QStringLiteral("FTP_DATUMS"), ctx_.clock.now()).bind(QStringLiteral("ISN"), isn);
    q.exec();
    ctx_.dati.CommitRetaining();
    ctx_.report.moved(1);
}

bool TelemaExport::TelemaExpPurchaseOrders()
{
    SqlQuery selection(ctx_.dati.PRECES_DB(), QLatin1String(kOrderSelection));
    selection.open();
    bool ok = true;
    for (; !selection.eof(); selection.next()) {
        const int isn = selection.asInt(QStringLiteral("ISN"));
        if (branchForbids(isn)) {
            lastExportMessage_ = QStringLiteral("Uz šo struktūrvienību sūtīt ir aizliegts !!!");
            ctx_.log.WriteLog(lastExportMessage_ + QStringLiteral(" Pasūtījums ISN=%1").arg(isn));
            continue;
        }
        const std::optional<TelemaOrderDocument> order = readPurchaseOrder(isn);
        if (!order) {
            const QString line = QStringLiteral("Pasūtījumam ISN=%1 nav nolasāms piegādātājs vai nodaļa, netiek sūtīts uz Telema").arg(isn);
            ctx_.log.WriteLog(line);
            ctx_.report.fail(line);
            ok = false;
            continue;
        }
        const Upload result = upload(TelemaEDocument::orderText(*order),
                                     QStringLiteral("Order_") + order->nr_pavadz + QStringLiteral(".xml"), false);
        if (result == Upload::NoToken) {
            ctx_.report.fail(QStringLiteral("Kļūda iegūstot piekļuves kodu Telema"));
            return false;
        }
        if (result == Upload::NotAccepted) {
            ok = false;
            continue;
        }
        mark("O_PASPAV", isn);
        ctx_.log.WriteLog(QStringLiteral("Pasūtījums Nr ") + order->nr_pavadz + QStringLiteral(" nosūtīts uz Telema"));
    }
    return ok;
}

bool TelemaExport::TelemaExpOrdersProcess()
{
    if (!rest_.GetAcessToken()) {
        ctx_.dialogs.showMessage(QStringLiteral("Neizdevās inicializēt Telema!!"));
        ctx_.report.fail(QStringLiteral("Neizdevās inicializēt Telema!!"));
        return false;
    }
    SqlQuery selection(ctx_.dati.PRECES_DB(), QLatin1String(kInvoiceSelection));
    selection.open();
    bool ok = true;
    for (; !selection.eof(); selection.next()) {
        const TelemaInvoiceDocument invoice = readInvoice(selection);
        const Upload result = upload(TelemaEDocument::invoiceText(invoice),
                                     QStringLiteral("Invoice_") + invoice.nr_pavadz + QStringLiteral(".xml"), true);
        if (result == Upload::NoToken) {
            ctx_.report.fail(QStringLiteral("Kļūda iegūstot piekļuves kodu Telema"));
            return false;
        }
        if (result == Upload::NotAccepted) {
            ok = false;
            continue;
        }
        mark("O_PAVOUT", selection.asInt(QStringLiteral("ISN")));
        ctx_.log.WriteLog(QStringLiteral("Izrakstīšanas pavadzīme Nr ") + invoice.pz_serija + QLatin1Char(' ')
                          + invoice.nr_pavadz + QStringLiteral(" nosūtīta uz Telema"));
    }
    return ok;
}
