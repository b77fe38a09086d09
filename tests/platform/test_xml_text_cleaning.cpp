#include "platform/XmlTextCleaning.h"

#include <gtest/gtest.h>

namespace {

struct CleaningCase {
    const char* input;
    const char* expected;
};

class XmlTextCleaningTest : public ::testing::TestWithParam<CleaningCase> {};

TEST_P(XmlTextCleaningTest, BlanksSpecialsThenEscapesInOrder)
{
    const CleaningCase& c = GetParam();
    EXPECT_EQ(XmlTextCleaning::clean(QString::fromUtf8(c.input)), QString::fromUtf8(c.expected));
    // The one-pass form gives what the two steps give one after the other.
    EXPECT_EQ(XmlTextCleaning::clean(QString::fromUtf8(c.input)),
              XmlTextCleaning::escapeEntities(XmlTextCleaning::blankSpecials(QString::fromUtf8(c.input))));
    QByteArray utf8("x");
    XmlTextCleaning::appendCleanUtf8(utf8, QString::fromUtf8(c.input));
    EXPECT_EQ(utf8, QByteArray("x") + c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, XmlTextCleaningTest,
    ::testing::Values(
        CleaningCase{"", ""},
        CleaningCase{"SIA \"Ābols\" & Co", "SIA &quot;Ābols&quot; &amp; Co"},
        // every blanked character, the left single quotation mark last
        CleaningCase{"a!b@c#d$e%f^g*h;i|j\\k=l_m{n}o[p]q\u2018r", "a b c d e f g h i j k l m n o p q r"},
        // the right quotation mark and the apostrophe are not blanked; the apostrophe is escaped
        CleaningCase{"O'Brien \u2019x\u2019", "O&apos;Brien \u2019x\u2019"},
        // "&" first: an entity already in the text is escaped once, never twice
        CleaningCase{"&lt;b&gt;", "&amp;lt b&amp;gt "},
        CleaningCase{"<b> & </b>", "&lt;b&gt; &amp; &lt;/b&gt;"},
        // blanks first: the ";" of an entity written afterwards stays
        CleaningCase{"1 < 2; 3 > 2", "1 &lt; 2  3 &gt; 2"},
        CleaningCase{"Ķēdes_Nr=5%", "Ķēdes Nr 5 "},
        CleaningCase{"Кофе \U0001F600 € ~\x7f", "Кофе \U0001F600 € ~\x7f"}));

}  // namespace
