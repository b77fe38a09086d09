#include "platform/Errors.h"
#include "platform/XmlElementReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char* const kMissing = "<null>";

// expected kMissing: no line holds the tag
struct ValueCase { const char* what; const char* text; const char* tag; int n; const char* expected; };

QString shown(const QString& value)
{
    return value.isNull() ? QString::fromLatin1(kMissing) : value;
}

}  // namespace

TEST(XmlElementReader, ReadsValuesByTheLineRule)
{
    const ValueCase cases[] = {
        {"plain", "<A>1</A>", "A", 1, "1"},
        {"attributes", "<A kind=\"x\">v</A>", "A", 1, "v"},
        {"white space after the name", "<A\tkind='x'>v</A>", "A", 1, "v"},
        {"empty element", "<A/>", "A", 1, ""},
        {"name ending at the line end", "<A\n kind='x'>v</A>", "A", 1, ""},
        {"a longer name is another tag", "<Lines>9</Lines>\n<Line>1</Line>", "Line", 1, "1"},
        {"a name inside another name", "<TaxIDs>1</TaxIDs>\n<MyTaxID>2</MyTaxID>", "TaxID", 1, kMissing},
        {"n-th line", "<A>1</A>\n<B>x</B>\n<A>2</A>", "A", 2, "2"},
        {"a line holding the tag twice counts once", "<A>1</A><A>2</A>\n<A>3</A>", "A", 2, "3"},
        {"first value on its line", "<A>1</A><A>2</A>", "A", 1, "1"},
        {"beyond the last", "<A>1</A>", "A", 2, kMissing},
        {"occurrence 0", "<A>1</A>", "A", 0, kMissing},
        {"absent", "<B>1</B>", "A", 1, kMissing},
        {"over two lines is not read", "<A>one\ntwo</A>", "A", 1, ""},
        {"up to the first end tag", "<A>x<B>y</B></A>", "A", 1, "x<B>y"},
        {"white space kept", "<A> 7 </A>", "A", 1, " 7 "},
        {"case matters", "<a>1</a>", "A", 1, kMissing},
        {"CRLF lines", "<A>1</A>\r\n<A>2</A>\r\n", "A", 2, "2"},
        {"CR lines", "<A>1</A>\r<A>2</A>", "A", 2, "2"},
        {"entities", "<A>a &amp; b &lt;c&gt; &quot;q&quot; &apos;s&apos;</A>", "A", 1, "a & b <c> \"q\" 's'"},
        {"numeric references", "<A>&#257;&#x101;&#X14D;</A>", "A", 1, "āāō"},
        {"unknown and broken references stay", "<A>&nbsp; & &#0; &#xD800; &#xZZ; &amp</A>", "A", 1,
         "&nbsp; & &#0; &#xD800; &#xZZ; &amp"},
        {"an end tag is no start tag", "</A>\n<A>2</A>", "A", 1, "2"},
    };
    for (const ValueCase& c : cases) {
        const XmlElementReader r = XmlElementReader::fromText(QString::fromUtf8(c.text));
        EXPECT_EQ(shown(r.value(QString::fromUtf8(c.tag), c.n)), QString::fromUtf8(c.expected)) << c.what;
    }
}

TEST(XmlElementReader, BlocksEndAtTheParentsEndTag)
{
    const XmlElementReader r = XmlElementReader::fromText(QStringLiteral(
        "<Invoice>\n"
        "<Seller>\n<Name>S</Name>\n</Seller>\n"
        "<Buyer>\n<TaxID>LV2</TaxID>\n</Buyer>\n"
        "<Line>\n<EAN>1</EAN>\n<Qty>2</Qty>\n</Line>\n"
        "<Line>\n<EAN>3</EAN>\n</Line>\n"
        "<Line><EAN>9</EAN></Line>\n"
        "<Line>\n<EAN>5</EAN>\n"));

    // The seller has no TaxID: the buyer's, below the seller's end tag, is not its.
    EXPECT_TRUE(r.value("TaxID", 1, r.block("Seller")).isNull());
    EXPECT_EQ(r.value("TaxID", 1, r.block("Buyer")), "LV2");

    const struct { int line; const char* tag; const char* expected; } cases[] = {
        {1, "EAN", "1"}, {1, "Qty", "2"}, {2, "EAN", "3"}, {2, "Qty", kMissing},
        // a Line written on one line holds its end tag on its start line: nothing is inside
        {3, "EAN", kMissing},
        // a block with no end tag runs to the end of the text
        {4, "EAN", "5"}, {5, "EAN", kMissing},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shown(r.value(c.tag, 1, r.block("Line", c.line))), QString::fromUtf8(c.expected))
            << "Line " << c.line << " " << c.tag;

    EXPECT_EQ(r.count("Line"), 4);
    EXPECT_EQ(r.count("EAN"), 4);
    EXPECT_EQ(r.count("EAN", r.block("Line", 1)), 1);
    EXPECT_FALSE(r.block("Line", 5).isValid());
    EXPECT_EQ(r.findLine("EAN", 2), r.findLine("EAN", 1, r.block("Line", 2)));
    // the caller's own start line: the second Line block
    EXPECT_EQ(r.value("EAN", 1, r.blockAt("Line", r.findLine("Line", 2))), "3");
    EXPECT_EQ(r.value("EAN", 2, r.blockAt("Line", r.findLine("Line", 1))), QString());
}

TEST(XmlElementReader, ConvertsDatesNumbersAndCounts)
{
    using R = XmlElementReader;
    EXPECT_EQ(R::toDate(" 2024-09-05T12:00:00 "), QDate(2024, 9, 5));
    EXPECT_EQ(R::toDateTime("2024-09-05T13:14:15+02:00"), QDateTime(QDate(2024, 9, 5), QTime(13, 14, 15)));
    EXPECT_EQ(R::toDateTime("2024-09-05"), QDateTime(QDate(2024, 9, 5), QTime(0, 0)));
    EXPECT_DOUBLE_EQ(R::toNumber("12,5") + R::toNumber(" -3.25 ") + R::toNumber(""), 9.25);
    EXPECT_EQ(R::toInteger(" 20 "), 20);
    for (const char* bad : {"05.09.2024", "2024-02-30", "2024-9-5", "", "yesterday"})
        EXPECT_THROW(R::toDate(bad), ConvertError) << bad;
    for (const char* bad : {"2024-09-05T25:00:00", "2024-09-05Tnoon"})
        EXPECT_THROW(R::toDateTime(bad), ConvertError) << bad;
    for (const char* bad : {"1.234,5", "abc", "inf", "nan", "1e999"})
        EXPECT_THROW(R::toNumber(bad), ConvertError) << bad;
    for (const char* bad : {"", "2.5", "x"})
        EXPECT_THROW(R::toInteger(bad), ConvertError) << bad;
}

TEST(XmlElementReader, FilesAreReadInTheirEncoding)
{
    QTemporaryDir dir;
    const QByteArray cases[] = {
        "<Name>Rūķis</Name>\n", "\xEF\xBB\xBF<Name>Rūķis</Name>\n",  // UTF-8, with and without a byte order mark
        "<Name>R\xFB\xED" "is</Name>\n",                              // windows-1257 undeclared
        "<?xml version=\"1.0\" encoding=\"ISO-8859-13\"?>\n<Name>R\xFB\xED" "is</Name>\n"};
    for (const QByteArray& bytes : cases) {
        QFile f(dir.filePath("f.xml"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        EXPECT_EQ(XmlElementReader::fromFile(f.fileName()).value("Name"), QStringLiteral("Rūķis")) << bytes.constData();
    }
    EXPECT_THROW(XmlElementReader::fromFile(dir.filePath("absent.xml")), VarnisError);
}
