#pragma once

#include <QString>

class Log;

// Options the Equinox tick reads for the warehouse operations.
struct EquinoxOptions {
    QString FTPVieta;
    QString UserName;
    QString Parole;
    bool AutoKlienti = false;
    bool AutoPreces = false;
    bool AutoPasutijumi = false;
    bool AutoImports = false;
    bool TikaiLabotasPreces = false;
};

// Everything the scheduler calls out to. Web shop entries return true when they ran;
// LoginD365 is negative on failure; the D365 groups are above 0 on success.
class Exchanges {
public:
    virtual ~Exchanges() = default;

    virtual bool SendAtlikumi() = 0;
    virtual bool ReceiveData() = 0;
    virtual bool SendKlasif() = 0;
    virtual bool SendPZVesture() = 0;
    virtual bool ReceiveWebCustomers() = 0;

    virtual bool EdisoftImpProcess() = 0;
    virtual bool TelemaProcess() = 0;

    virtual bool EquinoxSendPartners(const EquinoxOptions& options) = 0;
    virtual bool EquinoxSendGoods(const EquinoxOptions& options) = 0;
    virtual bool EquinoxSendOrders(const EquinoxOptions& options) = 0;
    virtual bool EquinoxImport(const EquinoxOptions& options) = 0;
    // Hidden test buttons: list the warehouse's outbound folder; import the fixed sample file.
    virtual bool EquinoxTestFtp(const EquinoxOptions& options) = 0;
    virtual bool EdisoftTestImport() = 0;

    virtual bool HorizonProcessImports() = 0;

    virtual int LoginD365() = 0;
    virtual int GetGeneralData() = 0;
    virtual int GetPromotionData() = 0;
    virtual int GetDocumentData() = 0;
    virtual int PostDocuments() = 0;
};

// Stands in for every exchange this build does not carry: one log line, and a failure
// so that its due time stays.
class UnavailableExchanges : public Exchanges {
public:
    explicit UnavailableExchanges(Log& log) : log_(log) {}

    bool SendAtlikumi() override { return refuse(QStringLiteral("SendAtlikumi")); }
    bool ReceiveData() override { return refuse(QStringLiteral("ReceiveData")); }
    bool SendKlasif() override { return refuse(QStringLiteral("SendKlasif")); }
    bool SendPZVesture() override { return refuse(QStringLiteral("SendPZVesture")); }
    bool ReceiveWebCustomers() override { return refuse(QStringLiteral("Klientu saņemšana")); }
    bool EdisoftImpProcess() override { return refuse(QStringLiteral("EdisoftImpProcess")); }
    bool TelemaProcess() override { return refuse(QStringLiteral("TelemaProcess")); }
    bool EquinoxSendPartners(const EquinoxOptions&) override { return refuse(QStringLiteral("Equinox nodaļas un klienti")); }
    bool EquinoxSendGoods(const EquinoxOptions&) override { return refuse(QStringLiteral("Equinox preces")); }
    bool EquinoxSendOrders(const EquinoxOptions&) override { return refuse(QStringLiteral("Equinox pasūtījumi")); }
    bool EquinoxImport(const EquinoxOptions&) override { return refuse(QStringLiteral("Equinox imports")); }
    bool EquinoxTestFtp(const EquinoxOptions&) override { return refuse(QStringLiteral("Test Equinox FTP")); }
    bool EdisoftTestImport() override { return refuse(QStringLiteral("Test Edisoft")); }
    bool HorizonProcessImports() override { return refuse(QStringLiteral("HorizonProcessImports")); }
    int LoginD365() override { return refuse(QStringLiteral("LoginD365")) ? 1 : -1; }
    int GetGeneralData() override { return refuse(QStringLiteral("GetGeneralData")) ? 1 : -1; }
    int GetPromotionData() override { return refuse(QStringLiteral("GetPromotionData")) ? 1 : -1; }
    int GetDocumentData() override { return refuse(QStringLiteral("GetDocumentData")) ? 1 : -1; }
    int PostDocuments() override { return refuse(QStringLiteral("PostDocuments")) ? 1 : -1; }

private:
    bool refuse(const QString& name);
    Log& log_;
};
