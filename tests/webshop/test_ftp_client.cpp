#include "support/FtpServer.h"

#include "net/FtpClient.h"

#include <gtest/gtest.h>

namespace {

void pointAt(FtpClient& c, const FtpServer& s)
{
    c.settings().host = QStringLiteral("127.0.0.1");
    c.settings().port = s.port();
    c.settings().user = s.user();
    c.settings().password = s.password();
}

}  // namespace

TEST(FtpClient, ExplicitTlsTransfersBinaryFilesBothWays)
{
    FtpServer server;
    FtpClient c;
    pointAt(c, server);
    c.settings().verifyPeer = true;
    c.settings().caFile = server.certificateFile();
    c.connect();
    EXPECT_TRUE(c.isConnected());

    QByteArray picture("\x89PNG\r\n\x1a\n", 8);
    for (int i = 0; i < 70000; ++i)
        picture.append(static_cast<char>(i % 251));
    // Missing directories are made on the way; names may carry Latvian letters and blanks.
    c.upload(QStringLiteral("/image/catalog/images/BILDE_12 ķēde.PNG"), picture);
    EXPECT_EQ(server.read(QStringLiteral("/image/catalog/images/BILDE_12 ķēde.PNG")), picture);

    server.write(QStringLiteral("/image/catalog/images/old.jpg"), "jpeg");
    QStringList names = c.list(QStringLiteral("/image/catalog/images"));
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("BILDE_12 ķēde.PNG"), QStringLiteral("old.jpg")}));
    EXPECT_EQ(c.download(QStringLiteral("/image/catalog/images/BILDE_12 ķēde.PNG")), picture);

    c.rename(QStringLiteral("/image/catalog/images/old.jpg"), QStringLiteral("/image/catalog/images/new.jpg"));
    EXPECT_FALSE(server.exists(QStringLiteral("/image/catalog/images/old.jpg")));
    EXPECT_EQ(server.read(QStringLiteral("/image/catalog/images/new.jpg")), QByteArray("jpeg"));
    c.remove(QStringLiteral("/image/catalog/images/new.jpg"));
    EXPECT_FALSE(server.exists(QStringLiteral("/image/catalog/images/new.jpg")));
    c.makeDir(QStringLiteral("/image/cache"));
    EXPECT_TRUE(server.exists(QStringLiteral("/image/cache")));
}

TEST(FtpClient, FailuresThrowAndLeaveTheClientDisconnected)
{
    FtpServer server;
    FtpClient c;
    pointAt(c, server);
    c.connect();

    // A command the server refuses.
    EXPECT_THROW(c.remove(QStringLiteral("/nav/tada.jpg")), NetError);
    EXPECT_FALSE(c.isConnected());
    EXPECT_THROW(c.download(QStringLiteral("/nav/tada.jpg")), NetError);

    // A line break in a path must not reach the server as a second command.
    server.write(QStringLiteral("/keep.jpg"), "x");
    EXPECT_THROW(c.remove(QStringLiteral("/a.jpg\r\nDELE /keep.jpg")), NetError);
    EXPECT_TRUE(server.exists(QStringLiteral("/keep.jpg")));

    // A wrong password.
    c.settings().password = QStringLiteral("nepareiza");
    EXPECT_THROW(c.connect(), NetError);
    EXPECT_FALSE(c.isConnected());

    // The server gone; the message names the place, never the password.
    c.settings().password = server.password();
    c.connect();
    server.stop();
    try {
        c.list(QStringLiteral("/"));
        FAIL() << "listing a stopped server succeeded";
    } catch (const NetError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("127.0.0.1")));
        EXPECT_FALSE(e.message().contains(server.password()));
    }
    EXPECT_FALSE(c.isConnected());
    EXPECT_THROW(c.connect(), NetError);

    // Back again: a new connect works.
    server.start();
    c.connect();
    EXPECT_TRUE(c.list(QStringLiteral("/")).contains(QStringLiteral("keep.jpg")));
}

TEST(FtpClient, TlsAndPlainServersAreToldApart)
{
    FtpServer plain(FtpServer::Mode::Plain);
    FtpClient c;
    pointAt(c, plain);
    // Explicit TLS is required, so a server without it is refused ...
    EXPECT_THROW(c.connect(), NetError);
    // ... and a plain client gets in.
    c.settings().explicitTls = false;
    c.connect();
    c.upload(QStringLiteral("/a.bin"), QByteArray(3, '\0'));
    EXPECT_EQ(plain.read(QStringLiteral("/a.bin")), QByteArray(3, '\0'));

    // With verification on, a self-made certificate is refused unless it is trusted.
    FtpServer tls;
    FtpClient v;
    pointAt(v, tls);
    v.settings().verifyPeer = true;
    EXPECT_THROW(v.connect(), NetError);
    v.settings().caFile = tls.certificateFile();
    v.connect();
    EXPECT_TRUE(v.isConnected());
}
