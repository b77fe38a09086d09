#include "WebShopExchange.h"

#include "CatalogueExport.h"
#include "CustomerBalances.h"
#include "SpecialPrices.h"
#include "CustomerExport.h"
#include "CustomerImport.h"
#include "OrderImport.h"
#include "StockExport.h"
#include "WebCustomerIndex.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

WebShopExchange::WebShopExchange(ExchangeContext& context) : ctx_(context), connection_(context.log)
{
}

int WebShopExchange::LoadSettings()
{
    SqlQuery q(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT E_SHOP_FTP, E_SHOP_FTP_DIR, E_SHOP_FTP_USERNAME, E_SHOP_FTP_PASWORD, E_SHOP_MYSQL_IP, "
                              "E_SHOP_MYSQL_USERNAME, E_SHOP_MYSQL_PASWORD, E_SHOP_ISNODALA, E_SHOP_ISNODALA_IN, "
                              "E_SHOP_ATLIK_ATRIBUTS, E_SHOP_ISNOD_AKCIJAS, E_SHOP_MYSQL_DB FROM N_ISI2"));
    q.open();
    ShopSettings& s = settings_;
    s.E_SHOP_FTP = q.asString(QStringLiteral("E_SHOP_FTP"));
    s.E_SHOP_FTP_DIR = q.asString(QStringLiteral("E_SHOP_FTP_DIR"));
    s.E_SHOP_FTP_USERNAME = q.asString(QStringLiteral("E_SHOP_FTP_USERNAME"));
    s.E_SHOP_FTP_PASWORD = q.asString(QStringLiteral("E_SHOP_FTP_PASWORD"));
    s.E_SHOP_MYSQL_IP = q.asString(QStringLiteral("E_SHOP_MYSQL_IP"));
    s.E_SHOP_MYSQL_USERNAME = q.asString(QStringLiteral("E_SHOP_MYSQL_USERNAME"));
    s.E_SHOP_MYSQL_PASWORD = q.asString(QStringLiteral("E_SHOP_MYSQL_PASWORD"));
    s.E_SHOP_ISNODALA = q.asString(QStringLiteral("E_SHOP_ISNODALA"));
    s.E_SHOP_ISNODALA_IN = q.asInt(QStringLiteral("E_SHOP_ISNODALA_IN"));
    const int stockOption = q.asInt(QStringLiteral("E_SHOP_ATLIK_ATRIBUTS"));
    s.E_SHOP_ATLIK_ATRIBUTS = stockOption > 0 ? QString::number(stockOption) : QString();
    s.E_SHOP_ISNOD_AKCIJAS = q.asString(QStringLiteral("E_SHOP_ISNOD_AKCIJAS"));
    s.E_SHOP_MYSQL_DB = q.asString(QStringLiteral("E_SHOP_MYSQL_DB"));

    struct Check {
        bool missing;
        int code;
        const char* line;
    };
    const Check checks[] = {
        {s.E_SHOP_FTP.isEmpty(), -1, "Nav ievadīta FTP adrese !!!"},
        {s.E_SHOP_FTP_USERNAME.isEmpty(), -2, "Nav ievadīts FTP lietotāja vārds !!!"},
        {s.E_SHOP_FTP_PASWORD.isEmpty(), -3, "Nav ievadīts FTP lietotāja parole !!!"},
        {s.E_SHOP_ISNODALA.isEmpty(), -4, "Nav izvēlēta atlikumu nodaļa !!!"},
        {s.E_SHOP_ISNODALA_IN == 0, -6, "Nav izvēlēta nodaļa, kurā importēt !!!"},
    };
    settingsLine_.clear();
    for (const Check& c : checks) {
        if (c.missing) {
            settingsLine_ = QString::fromUtf8(c.line);
            ctx_.log.WriteLog(settingsLine_);
            return c.code;
        }
    }
    readOptions();
    return 1;
}

void WebShopExchange::readOptions()
{
    RegistryKey key(ctx_.registry);
    if (!key.OpenKey(WebShopKeys::Options, false))
        return;
    // Each value on its own: one that is missing keeps what the option held.
    auto readBool = [&key](const char* name, bool& option) {
        try {
            option = key.ReadBool(QString::fromLatin1(name));
        } catch (const std::exception&) {
        }
    };
    auto readInt = [&key](const char* name, int& option) {
        try {
            option = key.ReadInteger(QString::fromLatin1(name));
        } catch (const std::exception&) {
        }
    };
    WebShopOptions& o = options_;
    readBool("LautAr0Atlik", o.LautAr0Atlik);
    readBool("chkAtlik1UnVairak", o.chkAtlik1UnVairak);
    readBool("chkPrecGrupet7Artikuls", o.chkPrecGrupet7Artikuls);
    readInt("PrecesAllNew", o.PrecesAllNew);
    readBool("XML_UTF8", o.XML_UTF8);
    readBool("chkPreces", o.chkPreces);
    readBool("chkKlienti", o.chkKlienti);
    readBool("chkSpecCenas", o.chkSpecCenas);
    readInt("ExpTips", o.ExpTips);
    readBool("chkVisusAttelus", o.chkVisusAttelus);
    readBool("NotServiceMode", o.NotServiceMode);
    readBool("PrGrupaTrimKods", o.PrGrupaTrimKods);
    readBool("PrInos", o.PrInos);
    readBool("TranspNoWeb", o.TranspNoWeb);
    connection_.setFtpTls(WebShopConnection::readFtpTls(key));
}

void WebShopExchange::writeRunMark(const QString& name)
{
    RegistryKey key(ctx_.registry);
    key.OpenKey(WebShopKeys::RunMarks, true);
    key.WriteDateTime(name, ctx_.clock.now());
    key.CloseKey();
}

bool WebShopExchange::settingsForEntry()
{
    if (LoadSettings() >= 0)
        return true;
    ctx_.report.refuse(settingsLine_);
    return false;
}

bool WebShopExchange::runEntry(const Entry& entry, bool allowed, const std::function<void()>& job)
{
    if (ctx_.busy.isSet()) {
        ctx_.log.WriteLog(entry.refusal);
        ctx_.report.refuse(entry.refusal);
        return false;
    }
    ctx_.log.WriteLog(entry.start);
    ctx_.busy.set(true, entry.label);
    if (allowed)
        job();
    else
        ctx_.report.nothingToDo();
    writeRunMark(entry.runMark);
    ctx_.busy.set(false, entry.label);
    ctx_.log.WriteLog(entry.end);
    return true;
}

bool WebShopExchange::SendAtlikumi()
{
    if (!settingsForEntry())
        return false;
    return runEntry({QStringLiteral("WWW SendAtlikumi"), QStringLiteral("WWW Nepilda atlikumu sūtīšanu - pildās cits process"),
                     QStringLiteral("WWW Sāk atlikumu sūtīšanu ..."), QStringLiteral("WWW Atlikumi aizsūtīti"),
                     QStringLiteral("LastAtlikumi")},
                    options_.ExpTips == 1 || options_.ExpTips == 2, [this] { SendAtlikumiOC_3(); });
}

bool WebShopExchange::ReceiveData()
{
    if (!settingsForEntry())
        return false;
    return runEntry({QStringLiteral("WWW ReceiveData"), QStringLiteral("WWW Nepilda datu saņemšanu - pildās cits process"),
                     QStringLiteral("WWW Sāk saņemt datus ..."), QStringLiteral("WWW Dati saņemti"),
                     QStringLiteral("LastReceive")},
                    options_.ExpTips == 1 || options_.ExpTips == 2, [this] { ReceiveOrdersOC_3(); });
}

bool WebShopExchange::SendKlasif()
{
    if (!settingsForEntry())
        return false;
    return runEntry({QStringLiteral("WWW SendKlasif"), QStringLiteral("WWW Nepilda sarakstu sūtīšanu - pildās cits process"),
                     QStringLiteral("WWW Sāk sarakstu sūtīšanu ... ExpTips=") + QString::number(options_.ExpTips),
                     QStringLiteral("WWW Saraksti aizsūtīti"), QStringLiteral("LastKlasif")},
                    options_.ExpTips == 2, [this] { SendKlasifOC_3(); });
}

bool WebShopExchange::SendPZVesture()
{
    if (!settingsForEntry())
        return false;
    return runEntry({QStringLiteral("WWW SendPZVesture"),
                     QStringLiteral("WWW Nepilda pavadzīmju vēstures/klientu atlikumu sūtīšanu - pildās cits process"),
                     QStringLiteral("WWW Sāk pavadzīmju vēstures/klientu atlikumu sūtīšanu ... ExpTips=")
                         + QString::number(options_.ExpTips),
                     QStringLiteral("WWW Pavadzīmju vēsture/klientu atlikumi aizsūtīta"), QStringLiteral("LastPZVesture")},
                    options_.ExpTips == 2, [this] { SendKlAtlikumiOC_3FD(); });
}

bool WebShopExchange::ReceiveWebCustomers()
{
    LoadSettings();  // its result is not looked at, as on the test button
    return ReceiveKlientiOC_3();
}

void WebShopExchange::SendKlasifOC_3()
{
    ctx_.log.WriteLog(QStringLiteral("Sāk SendKlasifOC_3 ..."));
    if (!options_.chkPreces && !options_.chkKlienti && !options_.chkSpecCenas)
        ctx_.report.nothingToDo();
    if (options_.chkPreces)
        SendPrecesOC_3_FD();
    if (options_.chkKlienti)
        SendKlientiOC_3();
    if (options_.chkSpecCenas)
        SendSpecCenasOC_3();
    ctx_.log.WriteLog(QStringLiteral("Beidz SendKlasifOC_3"));
}

void WebShopExchange::SendAtlikumiOC_3()
{
    StockExport(ctx_, connection_, settings_, options_).run();
}

void WebShopExchange::SendPrecesOC_3_FD()
{
    CatalogueExport(ctx_, connection_, settings_, options_).run();
}

void WebShopExchange::SendKlientiOC_3()
{
    CustomerExport(ctx_, connection_, settings_).run();
}

void WebShopExchange::SendSpecCenasOC_3()
{
    SpecialPrices(ctx_, connection_, settings_).run();
}

void WebShopExchange::ReceiveOrdersOC_3()
{
    OrderImport(ctx_, connection_, settings_, options_).run();
}

bool WebShopExchange::ReceiveKlientiOC_3()
{
    WebCustomerIndex index;
    return CustomerImport(ctx_, connection_, settings_, index).run();
}

void WebShopExchange::SendKlAtlikumiOC_3FD()
{
    CustomerBalances(ctx_, connection_, settings_).run();
}
