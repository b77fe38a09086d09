#include "TelemaImport.h"

#include "EdiGoodsLookup.h"
#include "TelemaRest.h"
#include "db/DocumentScope.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/My_proc.h"
#include "db/O_paspavtable.h"
#include "db/O_precetable.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

#include <cmath>

namespace {

const QString kInvoicesPlace = QStringLiteral("TTelemaaReceive::TelemaImportInvoices");
const QString kOrdersPlace = QStringLiteral("TVarnisProcessMain::TelemaImportOrders");

QString price(double value)
{
    return DateText::fixedText(value, 3);
}

}  // namespace

TelemaImport::TelemaImport(ExchangeContext& context, TTelemaRest& rest) : ctx_(context), rest_(rest)
{
}

bool TelemaImport::TelemaImportInvoices()
{
    ctx_.log.WriteLog(QStringLiteral("Start TelemaImportInvoices"));
    const bool ok = importAll(Kind::Invoice);
    ctx_.log.WriteLog(QStringLiteral("Pabeigts TelemaImportInvoices"));
    return ok;
}

bool TelemaImport::TelemaImportOrders()
{
    ctx_.log.WriteLog(QStringLiteral("Start TelemaImportOrders"));
    return importAll(Kind::Order);
}

std::optional<QList<TelemaReceivedDocument>> TelemaImport::fetch(Kind kind)
{
    if (!rest_.GetAcessToken()) {
        ctx_.dialogs.showMessage(QStringLiteral("Neizdevās inicializēt Telema!!!"));
        ctx_.report.fail(QStringLiteral("Neizdevās inicializēt Telema!!!"));
        return std::nullopt;
    }
    HttpResponse response;
    try {
        response = rest_.execute("GET", QStringLiteral("data"));
    } catch (const std::exception& e) {
        const QString line = QStringLiteral("Kļūda saņemot datus no Telema. Paziņojums :\n") + errorText(e);
        ctx_.dati.proc().MyErrorHandle(kind == Kind::Invoice ? QStringLiteral(" TTelemaRest::TelemaImportInvoices") : kOrdersPlace,
                                       line);
        ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
        return std::nullopt;
    }
    // The order import used to end here without a word; both kinds say why now.
    if (response.status != 200) {
        const QString line = QStringLiteral("Kļūda saņemot datus no Telema ") + QString::number(response.status)
            + QStringLiteral(" Paziņojums:") + response.text();
        ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
        return std::nullopt;
    }
    try {
        return TelemaReceived::readDataReply(response.body);
    } catch (const ConvertError& e) {
        const QString line = QStringLiteral("Kļūda saņemot datus no Telema. Paziņojums :\n") + e.message();
        ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
        return std::nullopt;
    }
}

void TelemaImport::refuse(const TelemaReceivedDocument& received, const QString& reason)
{
    const QString line = QStringLiteral("Telema dokuments ID ") + received.id + QStringLiteral(" netiek saglabāts: ") + reason;
    ctx_.log.WriteLog(line);
    ctx_.report.fail(line);
}

bool TelemaImport::importAll(Kind kind)
{
    const std::optional<QList<TelemaReceivedDocument>> documents = fetch(kind);
    if (!documents)
        return false;
    // Both imports read the one list; each leaves the other kind's documents alone.
    const QString otherKind = kind == Kind::Invoice ? QStringLiteral("order") : QStringLiteral("invoice");
    bool ok = true;
    for (const TelemaReceivedDocument& received : *documents) {
        if (!received.error.isEmpty()) {
            refuse(received, received.error);
            ok = false;
            continue;
        }
        if (TelemaDocumentReader::documentType(received.xml).compare(otherKind, Qt::CaseInsensitive) == 0)
            continue;
        Stored stored = Stored::NotStored;
        try {
            if (kind == Kind::Invoice)
                stored = storeInvoice(received, TelemaDocumentReader::readInvoice(received.xml));
            else
                stored = storeOrder(received, TelemaDocumentReader::readOrder(received.xml));
        } catch (const ConvertError& e) {
            refuse(received, e.message());
        } catch (const std::exception& e) {
            // The document is rolled back; the ones after it may still go in.
            const QString line = QStringLiteral("Kļūda :\n") + errorText(e);
            ctx_.dati.proc().MyErrorHandle(kind == Kind::Invoice ? kInvoicesPlace : kOrdersPlace, line);
            refuse(received, line);
        }
        if (stored == Stored::NotStored) {
            ok = false;
            continue;
        }
        ok = acknowledge(received, kind) && ok;
    }
    return ok;
}

TelemaImport::Supplier TelemaImport::findSupplier(const QString& regNum)
{
    SqlQuery q(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT ISN, GNOS, FTP_ISNODALA, FTP_DATI_IEP_C, FTP_ARTIKULS3 FROM N_KLIENT WHERE REGNR = :REGNR"));
    q.bind(QStringLiteral("REGNR"), regNum);
    q.open();
    return {q.asInt(QStringLiteral("ISN")), q.asString(QStringLiteral("GNOS")).trimmed(),
            q.asInt(QStringLiteral("FTP_ISNODALA")), q.asInt(QStringLiteral("FTP_ARTIKULS3"))};
}

TelemaImport::Supplier TelemaImport::createSupplier(const TelemaInvoice& d)
{
    auto& db = ctx_.dati.PRECES_DB();
    // Without a BIC there is no bank to name: the supplier gets the default bank row.
    int bank = 1;
    if (!d.BIC.isEmpty()) {
        SqlQuery find(db, QStringLiteral("SELECT ISN FROM N_BANKA WHERE KODS = :KODS"));
        find.bind(QStringLiteral("KODS"), d.BIC);
        find.open();
        if (find.asInt(QStringLiteral("ISN")) <= 0) {
            SqlQuery insert(db, QStringLiteral("INSERT INTO N_BANKA (gnos, kods) values (:gnos, :kods)"));
            insert.bind(QStringLiteral("gnos"), d.BankName).bind(QStringLiteral("kods"), d.BIC);
            insert.exec();
            find.open();
        }
        bank = find.asInt(QStringLiteral("ISN"));
    }
    SqlQuery insert(db, QStringLiteral(
        "INSERT INTO N_KLIENT (gnos, regnr, pvnkods, valsts, valsts_kods, pastindeks, adrese, adrese2, konts, isbanka) "
        "values (:gnos, :regnr, :pvnkods, :valsts, :valsts_kods, :pastindeks, :adrese, :adrese2, :konts, :isbanka)"));
    insert.bind(QStringLiteral("gnos"), d.Name)
        .bind(QStringLiteral("regnr"), d.RegNum)
        .bind(QStringLiteral("pvnkods"), d.VATRegNum)
        .bind(QStringLiteral("valsts"), d.Country)
        .bind(QStringLiteral("valsts_kods"), d.CountryCode)
        .bind(QStringLiteral("pastindeks"), d.PostalCode)
        .bind(QStringLiteral("adrese"), d.Address1)
        .bindNull(QStringLiteral("adrese2"))
        .bind(QStringLiteral("konts"), d.IBAN.isEmpty() ? d.AccountNum : d.IBAN)
        .bind(QStringLiteral("isbanka"), QString::number(bank));
    insert.exec();
    return findSupplier(d.RegNum);
}

int TelemaImport::department(const TelemaInvoice& d, const Supplier& supplier, QString* name)
{
    int isn = supplier.ftpIsNodala;
    if (isn == 0) {
        for (const QString& code : {d.PartyCode, d.GLN, d.ILN}) {
            if (code.isEmpty())
                continue;
            SqlQuery q(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT ISN FROM N_DEPART WHERE TELEMAA_KODS=:KODS"));
            q.bind(QStringLiteral("KODS"), code);
            q.open();
            isn = q.asInt(QStringLiteral("ISN")) > 0 ? q.asInt(QStringLiteral("ISN")) : 1;
            if (isn >= 2)
                break;
        }
        if (isn == 0)
            isn = 1;
    }
    SqlQuery q(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT GNOS FROM N_DEPART WHERE ISN=:ISN"));
    q.bind(QStringLiteral("ISN"), isn);
    q.open();
    *name = q.asString(QStringLiteral("GNOS")).trimmed();
    return isn;
}

TelemaImport::Stored TelemaImport::storeInvoice(const TelemaReceivedDocument& received, const TelemaInvoice& d)
{
    TMainFormDati& dati = ctx_.dati;
    DocumentScope scope(dati);
    Supplier supplier = findSupplier(d.RegNum);
    if (supplier.isn > 0) {
        // Telema sends a document again until its acknowledgement arrives.
        SqlQuery same(dati.PRECES_DB(), QStringLiteral(
            "SELECT ISN FROM O_PAVADZ WHERE ISKLIENT=:ISKLIENT AND COALESCE(PZ_SERIJA, '')=:PZ_SERIJA "
            "AND NR_PAVADZ=:NR_PAVADZ AND DAT_PAVADZ=:DAT_PAVADZ"));
        same.bind(QStringLiteral("ISKLIENT"), supplier.isn)
            .bind(QStringLiteral("PZ_SERIJA"), d.DocumentSerialNum)
            .bind(QStringLiteral("NR_PAVADZ"), d.DocumentNum)
            .bind(QStringLiteral("DAT_PAVADZ"), d.InvoiceDate);
        same.open();
        if (!same.isEmpty()) {
            ctx_.log.WriteLog(QStringLiteral("Pavadzīme TelemaID ") + received.id + QStringLiteral(" Nr ") + d.DocumentSerialNum
                              + QLatin1Char(' ') + d.DocumentNum + QStringLiteral(" jau ir saglabāta (ISN=")
                              + same.asString(QStringLiteral("ISN")) + QStringLiteral("), apstiprina atkārtoti"));
            return Stored::AlreadyStored;
        }
    } else {
        supplier = createSupplier(d);
    }
    QString departmentName;
    const int isNodala = department(d, supplier, &departmentName);

    TO_preceTable table(dati);
    O_PAVADZRecord& h = table.O_PAVADZ;
    h.ISKLIENT = supplier.isn;
    h.ISNODALA = isNodala;
    h.NR_PAVADZ = d.DocumentNum;
    h.PZ_SERIJA = d.DocumentSerialNum;
    h.DAT_PAVADZ = d.InvoiceDate;
    h.DAT_SANEM = d.DeliveryDateActual;
    h.APM_LIDZ = d.DueDate;
    h.PASUT_NR = d.SourceDocumentNum;
    h.NELEGALIZ = rest_.options().SanNeapstiprin;
    h.IEVKODS = entryCode();
    ctx_.log.WriteLog(QStringLiteral("Pavadzīme TelemaID ") + received.id + QStringLiteral(" Nr ") + d.DocumentSerialNum
                      + QLatin1Char(' ') + d.DocumentNum + QStringLiteral(" datums ") + DateText::date(d.InvoiceDate.date())
                      + QStringLiteral(" Klients ") + supplier.gnos + QStringLiteral(" Nodaļa:") + departmentName);
    if (table.O_PAVADZInsert() <= 0) {
        ctx_.log.WriteLog(table.ErrorText);
        ctx_.report.fail(table.ErrorText);
        return Stored::NotStored;
    }

    EdiGoodsLookup goods(dati);
    SqlQuery known(dati.PRECES_DB(), QStringLiteral(
        "SELECT N_KLPREC.NEWIEPCENA, N_KLPREC.GNOS PRECE, N_KLPREC.ARTIKULS FROM N_KLPREC WHERE ISN=:ISN"));
    for (const TelemaInvoice::Line& line : d.lines) {
        const double cena = line.hasSum && line.AmountInvoiced != 0 ? line.SumBeforeVAT / line.AmountInvoiced : 0.0;
        TJaunaPrece newGoods;
        newGoods.GNOS = line.ItemDescription;
        newGoods.NODOKLIS = line.VATRate;
        newGoods.PARDCENA1 = cena;
        newGoods.ISPRKLIENT = supplier.isn;
        newGoods.IEVKODS = entryCode();
        const EdiGoods found =
            goods.find({{line.GTIN, 0}, {line.SellerItemCode, supplier.articleColumn}}, newGoods);
        if (found.ARTIKULS.isEmpty()) {
            ctx_.log.WriteLog(QStringLiteral("Prece bez artikula pavadzīmē Nr.") + d.DocumentNum
                              + QStringLiteral(" Nosaukums:") + line.ItemDescription);
            continue;
        }
        if (line.AmountInvoiced == 0)
            continue;
        table.O_PRECE = {};
        O_PRECERecord& l = table.O_PRECE;
        l.ISPRECE = found.ISN;
        l.ARTIKULS = found.ARTIKULS;
        l.GNOS = line.ItemDescription;
        l.NODOKLIS = line.VATRate;
        l.DAUDZUMS = line.AmountInvoiced;
        l.ATLAIDE = line.AddRate;
        l.CENA = cena;
        l.IEVKODS = entryCode();
        if (table.O_PRECEInsert() <= 0) {
            // The whole invoice goes back; it comes again at the next run.
            ctx_.log.WriteLog(table.ErrorText);
            ctx_.report.fail(table.ErrorText);
            return Stored::NotStored;
        }
        known.bind(QStringLiteral("ISN"), l.ISPRECE);
        known.open();
        const double defined = known.asDouble(QStringLiteral("NEWIEPCENA"));
        if (defined != 0 && std::abs(defined - cena) > 0.009)
            ctx_.log.WriteLog(QStringLiteral("Nesakrīt iep.cena !!! Artikuls:") + known.asString(QStringLiteral("ARTIKULS")).trimmed()
                              + QStringLiteral(" Nosūtītāja cena:") + price(cena) + QStringLiteral(" Definētā cena:")
                              + price(defined) + QStringLiteral(" Prece:") + known.asString(QStringLiteral("PRECE")).trimmed());
    }
    scope.commit();
    ctx_.report.moved(1);
    return Stored::Stored;
}

TelemaImport::Stored TelemaImport::storeOrder(const TelemaReceivedDocument& received, const TelemaOrder& d)
{
    TMainFormDati& dati = ctx_.dati;
    const TelemaOptions& o = rest_.options();
    DocumentScope scope(dati);
    TO_paspavTable table(dati);
    O_PASPAVRecord& h = table.O_PASPAV;
    if (o.KlientaAtpazisana == 0)
        h.KL_IDKODS = d.code;
    else
        h.KL_FTPKODS = d.code;
    h.NR_PAVADZ = d.DocumentNum;
    h.PZ_SERIJA = d.DocumentSerialNum;
    h.DATUMS = o.PasutijumaDatumaFlag == 1 ? d.DeliveryDateRequested : d.OrderDate;
    h.DAT_PIEGADE = d.DeliveryDateRequested;
    h.ISNODALA = o.Isnodala > 0 ? o.Isnodala : 1;
    h.PIEGADPIRCEJS = 2;
    h.IEVKODS = entryCode();
    ctx_.log.WriteLog(QStringLiteral("Pasūtījums Nr ") + d.DocumentSerialNum + QLatin1Char(' ') + d.DocumentNum
                      + QStringLiteral(" datums ") + DateText::date(h.DATUMS.date()));
    const int head = table.O_PASPAVInsert();
    if (head <= 0) {
        ctx_.log.WriteLog(table.ErrorText);
        ctx_.report.fail(table.ErrorText);
        return Stored::NotStored;
    }
    // The customer is known once the order table has resolved the code; an order stored
    // before (its acknowledgement was lost) is not stored again.
    SqlQuery same(dati.PRECES_DB(), QStringLiteral(
        "SELECT ISN FROM O_PASPAV WHERE ISKLIENT=:ISKLIENT AND NR_PAVADZ=:NR_PAVADZ AND DATUMS=:DATUMS AND ISN<>:ISN"));
    same.bind(QStringLiteral("ISKLIENT"), h.ISKLIENT)
        .bind(QStringLiteral("NR_PAVADZ"), h.NR_PAVADZ)
        .bind(QStringLiteral("DATUMS"), h.DATUMS)
        .bind(QStringLiteral("ISN"), head);
    same.open();
    if (!same.isEmpty()) {
        ctx_.log.WriteLog(QStringLiteral("Pasūtījums TelemaID ") + received.id + QStringLiteral(" Nr ") + d.DocumentSerialNum
                          + QLatin1Char(' ') + d.DocumentNum + QStringLiteral(" jau ir saglabāts (ISN=")
                          + same.asString(QStringLiteral("ISN")) + QStringLiteral("), apstiprina atkārtoti"));
        return Stored::AlreadyStored;
    }

    for (const TelemaOrder::Line& line : d.lines) {
        if (line.GTIN.isEmpty())
            continue;
        table.O_PASPRC = {};
        O_PASPRCRecord& l = table.O_PASPRC;
        l.ARTIKULS = line.GTIN;
        l.NODOKLIS = line.VATRate;
        l.DAUDZUMS = line.AmountOrdered;
        l.APSTIPRIN_DAUDZ = line.AmountOrdered;
        l.ATLAIDE = line.AddRate;
        // Without a price of its own the line takes the customer's price and discount.
        l.CENA = line.hasPrice ? line.ItemPrice : 0.0;
        if (table.O_PASPRCInsert() <= 0) {
            ctx_.log.WriteLog(table.ErrorText);
            ctx_.report.fail(table.ErrorText);
            return Stored::NotStored;
        }
    }
    scope.commit();
    ctx_.report.moved(1);
    return Stored::Stored;
}

bool TelemaImport::acknowledge(const TelemaReceivedDocument& received, Kind kind)
{
    const QByteArray body = TelemaReceived::feedbackBody(received.idJson);
    HttpResponse response;
    if (kind == Kind::Invoice) {
        constexpr int kAttempts = 5;
        bool sent = false;
        for (int attempt = 1; attempt <= kAttempts && !sent; ++attempt) {
            try {
                response = rest_.execute("POST", QStringLiteral("data/feedback"), body);
                sent = true;
            } catch (const std::exception& e) {
                const QString line = QStringLiteral("Kļūda ievietojot apstiprinājuma pazīmi saņemšanas P/Z no Telema. Atkārtojums ")
                    + QString::number(attempt) + QStringLiteral(" Paziņojums :\n") + errorText(e);
                ctx_.log.WriteLog(line);
                if (attempt == kAttempts) {
                    ctx_.report.fail(line);
                    return false;
                }
                ctx_.clock.sleep(2000);
            }
        }
    } else {
        try {
            response = rest_.execute("POST", QStringLiteral("data/feedback"), body);
        } catch (const std::exception& e) {
            const QString line = QStringLiteral("Kļūda ievietojot apstiprinājuma pazīmi pasūtījumam no Telema. Paziņojums :\n")
                + errorText(e);
            ctx_.dati.proc().MyErrorHandle(kOrdersPlace, line);
            ctx_.log.WriteLog(line);
            ctx_.report.fail(line);
            return false;
        }
    }
    if (response.status == 200 && response.text().contains(QLatin1String(" with 1 documents")))
        return true;
    const QString line = (kind == Kind::Invoice ? QStringLiteral("Kļūda ievietojot apstiprinājuma pazīmi saņemšanas P/Z no Telema ")
                                                : QStringLiteral("Kļūda ievietojot apstiprinājuma pazīmi pasūtījumam no Telema "))
        + QString::number(response.status) + QStringLiteral(" Paziņojums:") + response.text();
    ctx_.log.WriteLog(line);
    ctx_.report.fail(line);
    return false;
}
