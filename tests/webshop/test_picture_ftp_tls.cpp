// The picture FTP's TLS options against real FTP servers, one with explicit TLS (a
// self-signed certificate) and one plain.

#include "support/FtpServer.h"

#include "host/ProcessLog.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "webshop/WebShopConnection.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kFallback = QStringLiteral("FTP ar TLS neizdevās, mēģinu bez šifrēšanas");
const QString kFailed = QStringLiteral("Pievienoties pie FTP neizdevās !!!");

class PictureFtpTls : public ::testing::Test {
protected:
    static inline FtpServer* tls = nullptr;
    static inline FtpServer* plain = nullptr;

    static void SetUpTestSuite()
    {
        tls = new FtpServer(FtpServer::Mode::ExplicitTls);
        plain = new FtpServer(FtpServer::Mode::Plain);
    }
    static void TearDownTestSuite()
    {
        delete tls;
        delete plain;
    }

    QTemporaryDir dir;
    ManualClock clock;
    ProcessLog log{clock, dir.filePath("VarnisProcess.log")};

    int connect(const FtpServer& server, const WebShopConnection::FtpTls& options)
    {
        log.setProcessEvents(false);
        WebShopConnection c(log);
        c.setFtpTls(options);
        ShopSettings s;
        s.E_SHOP_FTP = server.address();
        s.E_SHOP_FTP_USERNAME = server.user();
        s.E_SHOP_FTP_PASWORD = server.password();
        return c.FtpConnect(s);
    }

    int logged(const QString& fragment) const
    {
        int n = 0;
        for (const QString& line : log.lines())
            n += line.contains(fragment) ? 1 : 0;
        return n;
    }
};

}  // namespace

TEST_F(PictureFtpTls, PlainRetryOnlyByDefaultAndCertificatesCheckedWhenAsked)
{
    struct Case {
        const char* name;
        bool plainServer;
        WebShopConnection::FtpTls options;
        bool withCa;
        int result;
        int fallbackLines;
    };
    const Case cases[] = {
        {"plain server, defaults: the retry without TLS", true, {}, false, 0, 1},
        {"plain server, TLS required: no retry", true, {true, false, {}}, false, -1, 0},
        {"TLS server, defaults: the certificate taken as it is", false, {}, false, 0, 0},
        {"TLS server, checked against the system store: refused", false, {false, true, {}}, false, -1, 0},
        {"TLS server, checked against its CA file", false, {false, true, {}}, true, 0, 0},
        {"plain server, certificate checked: no plain retry", true, {false, true, {}}, false, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.model()->setStringList({});
        WebShopConnection::FtpTls options = c.options;
        if (c.withCa)
            options.caFile = tls->certificateFile();
        EXPECT_EQ(connect(c.plainServer ? *plain : *tls, options), c.result);
        EXPECT_EQ(logged(kFallback), c.fallbackLines);
        EXPECT_EQ(logged(kFailed), c.result < 0 ? 1 : 0);
        // The password never reaches the log.
        EXPECT_EQ(logged(tls->password()), 0);
    }
}

TEST_F(PictureFtpTls, OptionsReadFromTheShopKey)
{
    Registry registry(dir.filePath("VARNIS-A.ini"));
    RegistryKey key(registry);
    key.OpenKey("WWWExp", true);
    EXPECT_FALSE(WebShopConnection::readFtpTls(key).required);
    EXPECT_FALSE(WebShopConnection::readFtpTls(key).verify);

    key.WriteBool("FtpTlsObligats", true);
    key.WriteBool("FtpSertifikatsParbaudit", true);
    key.WriteString("FtpCAFails", " /etc/ssl/shop-ca.pem ");
    const WebShopConnection::FtpTls tls = WebShopConnection::readFtpTls(key);
    EXPECT_TRUE(tls.required);
    EXPECT_TRUE(tls.verify);
    EXPECT_EQ(tls.caFile, "/etc/ssl/shop-ca.pem");
}
