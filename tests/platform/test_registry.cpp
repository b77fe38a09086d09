#include "platform/Errors.h"
#include "platform/Registry.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString writeIni(const QTemporaryDir& dir, const QByteArray& text)
{
    const QString path = dir.filePath(QStringLiteral("VARNIS-A.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return path;
}

}  // namespace

TEST(Registry, TypedReadsThrowOnMissingOrMalformedValues)
{
    QTemporaryDir dir;
    Registry reg(writeIni(dir, "[AutoProcess_Config]\nEquinixAutoApmaina=1\nEquinixAutoApmainaTime=abc\n"
                               "EdisoftAutoImport=yes\nHorizonAutoApmaina=0\nDatuBaze=/srv/PRECES.GDB\n"
                               "LastPrecesFTP=2026-01-02T03:04:05\nStart=2026-05-06\nBad=2026-13-01\n"));
    RegistryKey key(reg);
    ASSERT_TRUE(key.OpenKey("AutoProcess_Config", false));
    EXPECT_EQ(key.ReadInteger("EquinixAutoApmaina"), 1);
    EXPECT_THROW(key.ReadInteger("EquinixAutoApmainaTime"), RegistryError);
    EXPECT_THROW(key.ReadInteger("Missing"), RegistryError);
    EXPECT_THROW(key.ReadBool("EdisoftAutoImport"), RegistryError);
    EXPECT_THROW(key.ReadBool("Missing"), RegistryError);
    EXPECT_FALSE(key.ReadBool("HorizonAutoApmaina"));
    EXPECT_EQ(key.ReadString("DatuBaze"), "/srv/PRECES.GDB");
    EXPECT_EQ(key.ReadString("Missing"), "");
    EXPECT_EQ(key.ReadDateTime("LastPrecesFTP"), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    EXPECT_EQ(key.ReadDate("Start"), QDate(2026, 5, 6));
    EXPECT_THROW(key.ReadDate("Bad"), RegistryError);
    EXPECT_THROW(key.ReadDateTime("Missing"), RegistryError);
}

TEST(Registry, KeysOpenWithoutCreationOnlyWhenPresent)
{
    QTemporaryDir dir;
    Registry reg(writeIni(dir, "[D365]\nInventPircejs=5\n"));
    RegistryKey key(reg);
    EXPECT_FALSE(key.OpenKey("AutoProcess_WWWExp", false));
    EXPECT_TRUE(key.OpenKey("D365", false));
    EXPECT_TRUE(key.OpenKey("AutoProcess_WWWExp", true));
    key.WriteInteger("AutoPrecuAtlikumi", 2);
    key.CloseKey();
    EXPECT_TRUE(reg.keyExists("AutoProcess_WWWExp"));
}

TEST(Registry, WritesRoundTripIncludingLatvianTextAndCommas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    {
        Registry reg(path);
        RegistryKey key(reg);
        ASSERT_TRUE(key.OpenKey("WWWExp", true));
        key.WriteString("Nosaukums", QStringLiteral("Rīgas veikals, Ķekava"));
        key.WriteBool("chkPreces", true);
        key.WriteDateTime("LastAtlikumi", QDateTime(QDate(2026, 12, 7), QTime(10, 0, 20)));
        key.WriteDate("Sakot", QDate(2026, 1, 31));
    }
    Registry again(path);
    RegistryKey key(again);
    ASSERT_TRUE(key.OpenKey("WWWExp", false));
    EXPECT_EQ(key.ReadString("Nosaukums"), QStringLiteral("Rīgas veikals, Ķekava"));
    EXPECT_TRUE(key.ReadBool("chkPreces"));
    EXPECT_EQ(key.ReadDateTime("LastAtlikumi"), QDateTime(QDate(2026, 12, 7), QTime(10, 0, 20)));
    EXPECT_EQ(key.ReadDate("Sakot"), QDate(2026, 1, 31));
}
