// The FTP client on plain FTP, as the warehouse's server speaks it.
#include "support/FtpServer.h"

#include "net/FtpClient.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class PlainFtpTest : public ::testing::Test {
protected:
    static FtpServer& server()
    {
        static FtpServer s(FtpServer::Mode::Plain, QStringLiteral("noliktava"), QStringLiteral("p@ss;1"));
        return s;
    }

    FtpClient client;

    void SetUp() override
    {
        QDir(server().localPath("/DATA")).removeRecursively();
        client.settings().host = QStringLiteral("127.0.0.1");
        client.settings().port = server().port();
        client.settings().user = server().user();
        client.settings().password = server().password();
        client.settings().explicitTls = false;
    }
};

TEST_F(PlainFtpTest, RelativePathsListDownloadAndDeleteInTheLoginFolder)
{
    server().write("/DATA/OUT/a.XML", "<a/>");
    server().write("/DATA/OUT/b.xml", QByteArray(300000, 'b'));
    client.connect();
    QStringList names = client.list("DATA/OUT/");
    names.sort();
    EXPECT_EQ(names, (QStringList{"a.XML", "b.xml"}));
    EXPECT_EQ(client.download("DATA/OUT/b.xml"), QByteArray(300000, 'b'));
    client.remove("DATA/OUT/a.XML");
    EXPECT_FALSE(server().exists("/DATA/OUT/a.XML"));
    EXPECT_TRUE(client.isConnected());
}

TEST_F(PlainFtpTest, AnUploadThatMayNotMakeFoldersFailsWhereThereIsNone)
{
    client.connect();
    EXPECT_THROW(client.upload("DATA/IN/x.XML", "x", false), NetError);
    EXPECT_FALSE(server().exists("/DATA/IN/x.XML"));
    QDir().mkpath(server().localPath("/DATA/IN"));
    client.upload("DATA/IN/x.XML", "x", false);
    EXPECT_EQ(server().read("/DATA/IN/x.XML"), QByteArray("x"));

    // a folder the user may not write
    QFile(server().localPath("/DATA/IN/.readonly")).open(QIODevice::WriteOnly);
    EXPECT_THROW(client.upload("DATA/IN/y.XML", "y", false), NetError);
    EXPECT_THROW(client.remove("DATA/IN/x.XML"), NetError);
    EXPECT_TRUE(server().exists("/DATA/IN/x.XML"));
}

TEST_F(PlainFtpTest, ADownloadCutShortFails)
{
    server().write("/DATA/OUT/big.XML", QByteArray(100000, 'x'));
    server().write("/DATA/OUT/big.XML.cut", "");
    client.connect();
    EXPECT_THROW(client.download("DATA/OUT/big.XML"), NetError);
}

}  // namespace
