// Telema's text rules: reading received documents, the data reply, and the bodies sent.
#include "support/QtPrinters.h"

#include "edi/TelemaDocumentReader.h"
#include "edi/TelemaEDocument.h"
#include "edi/TelemaReceived.h"
#include "edi/TelemaRest.h"
#include "edi/TelemaXmlText.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

namespace {

QByteArray b64(const char* text)
{
    return QByteArray(text).toBase64();
}

}  // namespace

TEST(TelemaXmlText, ElementValuesByTheTextRule)
{
    const struct {
        const char* text;
        const char* name;
        const char* value;
    } cases[] = {
        {"<a><Country>LV</Country></a>", "Country", "LV"},
        // a tag counts only where its name ends, whichever comes first
        {"<CountryCode>LV</CountryCode><Country>Latvija</Country>", "Country", "Latvija"},
        {"<Country>Latvija</Country><CountryCode>LV</CountryCode>", "CountryCode", "LV"},
        {"<ItemEntry nr=\"1\"><GTIN>1</GTIN></ItemEntry>", "GTIN", "1"},
        {"<Name\n  lang=\"lv\">SIA &quot;A&amp;B&quot; &#8220;x&#x201D;</Name>", "Name", "SIA \"A&B\" \u201Cx\u201D"},
        {"<Name>  a &lt;b&gt; &apos;c&apos; &unknown; </Name >", "Name", "a <b> 'c' &unknown;"},
        {"<Name/><Name>later</Name>", "Name", ""},
        {"<Name>no end", "Name", ""},
        {"<Other>x</Other>", "Name", ""},
        {"<Name>multi\nline</Name>", "Name", "multi\nline"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TelemaXmlText::value(QString::fromUtf8(c.text), c.name), QString::fromUtf8(c.value)) << c.text;

    // Every entry, attributes or not; an entry without its end tag is an error, not a lost line.
    const QString items = "<ItemEntry><A>1</A></ItemEntry>\n<ItemEntry id=\"2\"><A>2</A></ItemEntry><ItemEntryX/>"
                          "<ItemEntry/>";
    EXPECT_EQ(TelemaXmlText::elements(items, "ItemEntry"), QStringList({"<A>1</A>", "<A>2</A>", ""}));
    EXPECT_THROW(TelemaXmlText::elements("<ItemEntry><A>1</A>", "ItemEntry"), ConvertError);
}

TEST(TelemaDocumentReader, NumbersDatesAndRequiredElements)
{
    using namespace TelemaDocumentReader;
    const struct {
        const char* value;
        double number;
    } numbers[] = {{"12.5", 12.5}, {"12,5", 12.5}, {" -3 ", -3}, {"", 0}};
    for (const auto& n : numbers)
        EXPECT_DOUBLE_EQ(number(QStringLiteral("<X>%1</X>").arg(n.value), "X"), n.number) << n.value;
    for (const char* bad : {"1.234,5", "abc", "inf", "1e999"})
        EXPECT_THROW(number(QStringLiteral("<X>%1</X>").arg(bad), "X"), ConvertError) << bad;

    const QDateTime day(QDate(2024, 9, 5), QTime(0, 0));
    EXPECT_EQ(date("<D>2024-09-05</D>", "D"), day);
    EXPECT_EQ(date("<D>2024-09-05T13:45:00+03:00</D>", "D"), day);  // cut to the day
    EXPECT_EQ(date("<D>05.09.2024</D>", "D"), day);
    EXPECT_EQ(date("<D></D>", "D"), QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
    for (const char* bad : {"2024-13-01", "5 Sept", "2024-9-5"})
        EXPECT_THROW(date(QStringLiteral("<D>%1</D>").arg(bad), "D"), ConvertError) << bad;

    const QString invoice = "<E-Document><SellerParty><RegNum>4000</RegNum></SellerParty>"
                            "<DocumentInfo><DocumentNum>17</DocumentNum></DocumentInfo></E-Document>";
    EXPECT_NO_THROW(readInvoice(invoice));
    EXPECT_THROW(readInvoice(QString(invoice).replace("4000", "")), ConvertError);
    EXPECT_THROW(readInvoice(QString(invoice).replace(">17<", "><")), ConvertError);
    const QString order = "<DeliveryParty><GLN>475</GLN></DeliveryParty><DocumentInfo><DocumentNum>9</DocumentNum>"
                          "</DocumentInfo>";
    EXPECT_EQ(readOrder(order).code, "475");
    EXPECT_EQ(readOrder(QString(order).replace("</GLN>", "</GLN><ILN>999</ILN>")).code, "999");
    EXPECT_THROW(readOrder(QString(order).replace("475", "")), ConvertError);
}

TEST(TelemaReceived, DataReplyEntriesAreReadOneByOne)
{
    const QByteArray doc = b64("<E-Document/>");
    const QByteArray body = "{\"data\":{\"documents\":[{\"id\":123,\"document\":\"" + doc
        + "\"},{\"id\":\"a\\\"b\",\"document\":\"PEU+\\r\\nPC9FPg==\"},{\"id\":7,\"document\":null},"
          "{\"id\":8,\"document\":\"@@@\"},{\"id\":9,\"document\":\"" + b64("plain text") + "\"},"
          "{\"id\":10,\"document\":\"" + QByteArray("\xff\xfe<a/>").toBase64() + "\"},{\"document\":\"" + doc + "\"},"
          "{\"id\":12345678901234,\"document\":\"" + doc + "\"}]}}";
    const QList<TelemaReceivedDocument> list = TelemaReceived::readDataReply(body);
    ASSERT_EQ(list.size(), 8);
    EXPECT_EQ(list[0].idJson, "123");
    EXPECT_EQ(list[0].xml, "<E-Document/>");
    EXPECT_EQ(list[1].id, "a\"b");
    EXPECT_EQ(list[1].idJson, "\"a\\\"b\"");
    EXPECT_EQ(list[1].xml, "<E></E>");  // line breaks inside the Base64 are dropped
    EXPECT_EQ(list[2].error, "dokuments ir tukšs");
    EXPECT_EQ(list[3].error, "dokuments nav Base64");
    EXPECT_EQ(list[4].error, "dokuments nav XML teksts");
    EXPECT_EQ(list[5].error, "dokuments nav UTF-8 teksts");
    EXPECT_EQ(list[6].error, "nav dokumenta id");
    EXPECT_EQ(list[7].idJson, "12345678901234");

    EXPECT_TRUE(TelemaReceived::readDataReply("{\"data\":{\"documents\":[]}}").isEmpty());
    for (const char* bad : {"{}", "{\"data\":{}}", "{\"data\":null}", "{\"data\":{\"documents\":{}}}", "<html>"})
        EXPECT_THROW(TelemaReceived::readDataReply(bad), ConvertError) << bad;
}

TEST(TelemaBodies, TokenFeedbackAndUploadByteForByte)
{
    EXPECT_EQ(TTelemaRest::tokenBody("klients-1", "s\"e&c<r\\et"),
              R"({"clientId": "klients-1","clientSecret": "s\"e&c<r\\et"})");
    EXPECT_EQ(TelemaReceived::feedbackBody("42"),
              R"({"sessions": [{"documents": [{"id": 42,"status": "received"}],"sessionId": "AAAAAA","time": "2021-11-22T22:20:23+0200"}]})");
    EXPECT_EQ(TelemaReceived::feedbackBody("\"x-1\""),
              R"({"sessions": [{"documents": [{"id": "x-1","status": "received"}],"sessionId": "AAAAAA","time": "2021-11-22T22:20:23+0200"}]})");
    // A long document: Base64 without a single line break; the file name as a JSON string.
    const QString text = QString(200, QChar(0x0100));
    const QByteArray upload = TelemaEDocument::uploadBody(text, "Order_A\"1.xml");
    EXPECT_EQ(upload, R"({"charset": "UTF-8","document": ")" + text.toUtf8().toBase64()
                          + R"(","filename": "Order_A\"1.xml"})");
    EXPECT_FALSE(upload.contains('\n'));
}

TEST(TelemaBodies, TokenOfTheReply)
{
    const struct {
        const char* reply;
        const char* token;
    } cases[] = {
        {R"({"accessToken":"eyJ.a-b_c","expiresIn":3600})", "eyJ.a-b_c"},
        // spaced or last: the fixed reading fails, the JSON parser finds it
        {R"({ "accessToken": "tok 2"x, "expiresIn": 3600 })", ""},
        {R"({ "accessToken": "tok2", "expiresIn": 3600 })", "tok2"},
        {R"({"expiresIn":3600,"accessToken":"last"})", "last"},
        {R"({"data":{"accessToken":"inner"}})", "inner"},
        {R"({"accessToken":""})", ""},
        {R"({"accessToken":null,"x":1})", ""},
        {"Unauthorized", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TTelemaRest::tokenFrom(c.reply), QString::fromUtf8(c.token)) << c.reply;
}
