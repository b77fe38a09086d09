#pragma once

#include <QString>

// The shop settings of the goods database (first row of N_ISI2), refreshed on every entry.
struct ShopSettings {
    QString E_SHOP_FTP;             // host, optionally ":port"
    QString E_SHOP_FTP_DIR;
    QString E_SHOP_FTP_USERNAME;
    QString E_SHOP_FTP_PASWORD;
    QString E_SHOP_MYSQL_IP;        // host, optionally ":port"
    QString E_SHOP_MYSQL_DB;
    QString E_SHOP_MYSQL_USERNAME;
    QString E_SHOP_MYSQL_PASWORD;
    QString E_SHOP_ISNODALA;        // stock departments, each key followed by a separator: "2,3,4,"
    int E_SHOP_ISNODALA_IN = 0;     // department that receives shop orders
    QString E_SHOP_ATLIK_ATRIBUTS;  // option carrying stock per department; empty when not above 0
    QString E_SHOP_ISNOD_AKCIJAS;   // read, not used
};

// The exchange options of registry key "WWWExp", written by the goods program. An option
// that was never read is false / 0; one that is missing later keeps its value.
struct WebShopOptions {
    bool LautAr0Atlik = false;            // ordering without stock: subtract=0 on option values
    bool chkAtlik1UnVairak = false;       // a product never shows less than 1
    bool chkPrecGrupet7Artikuls = false;  // goods grouped into one product by ARTIKULS7
    int PrecesAllNew = 0;                 // 0: whole catalogue anew; else only changed goods
    bool XML_UTF8 = false;
    bool chkPreces = false;               // the lists job sends the catalogue
    bool chkKlienti = false;              // ... customers
    bool chkSpecCenas = false;            // ... special prices
    int ExpTips = 0;                      // 0 none; 1 stock and orders; 2 also lists and balances
    bool chkVisusAttelus = false;
    bool NotServiceMode = false;          // read, not used
    bool PrGrupaTrimKods = false;
    bool PrInos = false;
    bool TranspNoWeb = false;
};

namespace WebShopKeys {
inline const QString Options = QStringLiteral("WWWExp");
inline const QString RunMarks = QStringLiteral("AutoProcess_WWWExp");
}  // namespace WebShopKeys
