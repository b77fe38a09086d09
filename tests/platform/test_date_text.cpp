#include "platform/DateText.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

using namespace DateText;

TEST(DateText, FormatsDayMonthYearAndTime)
{
    const QDateTime t(QDate(2026, 12, 7), QTime(9, 5, 3));
    EXPECT_EQ(date(t.date()), "07.12.2026");
    EXPECT_EQ(time(t.time()), "09:05:03");
    EXPECT_EQ(dateTime(t), "07.12.2026 09:05:03");
    EXPECT_EQ(dateTimeField(QDateTime(QDate(2026, 1, 2), QTime(0, 0))), "02.01.2026");
}

TEST(DateText, ParsesTimesLikeTheMaskedFields)
{
    EXPECT_EQ(parseTime(" 0:10"), QTime(0, 10));
    EXPECT_EQ(parseTime("23:59"), QTime(23, 59));
    EXPECT_EQ(parseTime("1:30"), QTime(1, 30));
    EXPECT_EQ(parseTime("10:00:20"), QTime(10, 0, 20));
    // 1500 minutes read as a time of day: not valid
    EXPECT_THROW(parseTime("25:0"), ConvertError);
    EXPECT_THROW(parseTime("24:00"), ConvertError);
    EXPECT_THROW(parseTime("  :  "), ConvertError);
    EXPECT_THROW(parseTime(""), ConvertError);
    EXPECT_THROW(parseTime("abc"), ConvertError);
}

TEST(DateText, RearrangesServiceDatesBothWays)
{
    EXPECT_EQ(isoToDate("2022-12-20T00:00:00"), QDate(2022, 12, 20));
    EXPECT_EQ(isoToDate("2024-02-29"), QDate(2024, 2, 29));
    EXPECT_EQ(dateToIso(QDate(2022, 12, 20)), "2022-12-20");
    EXPECT_THROW(isoToDate("2023-02-30"), ConvertError);
    EXPECT_THROW(isoToDate("2023-02"), ConvertError);
    EXPECT_THROW(isoToDate(""), ConvertError);
}

TEST(DateText, SentinelsAndParsedDates)
{
    EXPECT_EQ(dateTime(neverRun()), "01.01.1900 00:00:00");
    EXPECT_EQ(dateTime(neverDue()), "31.12.3000 00:00:00");
    EXPECT_EQ(parseDate("1.2.2026"), QDate(2026, 2, 1));
    EXPECT_EQ(parseDateTime("20.12.2022 13:14:15"), QDateTime(QDate(2022, 12, 20), QTime(13, 14, 15)));
    EXPECT_THROW(parseDate("32.01.2026"), ConvertError);
}

TEST(DateText, NumbersUseAPointAndAcceptACommaFromOutside)
{
    EXPECT_EQ(parseInt(" 20 "), 20);
    EXPECT_THROW(parseInt("abc"), ConvertError);
    EXPECT_THROW(parseInt(""), ConvertError);
    EXPECT_DOUBLE_EQ(parseNumber("12,5"), 12.5);
    EXPECT_DOUBLE_EQ(parseNumber("12.5"), 12.5);
    EXPECT_THROW(parseNumber("1.2.3"), ConvertError);
    EXPECT_EQ(floatText(21), "21");
    EXPECT_EQ(floatText(0.1), "0.1");
    EXPECT_EQ(floatText(1234.5678), "1234.5678");
    EXPECT_EQ(fixedText(2.005, 2).size(), 4);
    EXPECT_EQ(fixedText(1234.5, 2), "1234.50");
}
