#include "d365/PriceFormula.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace PriceFormula;

TEST(PriceFormulaTest, SplitsAtTheFirstOperatorSoChainsGroupToTheRight)
{
    const std::pair<const char*, double> valid[] = {
        {"10-2-3", 11},  {"12/6/2", 4},      {"2*3+4", 10},         {"10-4-2+1", 9},   {"8/2*2", 8},
        {"(1+2)*3", 9},  {"2*(3+(4-1))", 12}, {" 1,5 * 2 ", 3},     {"-5+2", -3},      {"10-(2-5)", 13},
        {"(10-4)-2", 4}, {".5*4", 2},        {"((7))", 7},          {"1.25", 1.25},
    };
    for (const auto& [text, expected] : valid) {
        const auto v = evaluate(text);
        ASSERT_TRUE(v.has_value()) << text;
        EXPECT_DOUBLE_EQ(*v, expected) << text;
    }
    // a result whose sign lands after another operator cannot be read back, as written
    for (const char* text : {"", "abc", "1+", "+1", "(1+2", "1+2)", ")1(", "1/0", "1/(2-2)", "2*(0-3)", "1e5", "1..2",
                             "()"})
        EXPECT_FALSE(evaluate(text).has_value()) << text;
}

TEST(PriceFormulaTest, PlaceholdersBecomeTheirValues)
{
    const Values v{{"NET", 2.5}, {"PVN", 21}, {"PIEC_3", 30}, {"PCENA16", 4}, {"BONUSS", -0.5}};
    const std::pair<const char*, const char*> cases[] = {
        {"<NET>*(1+<PVN>/100)", "2.5*(1+21/100)"},
        {"<NET>*(1+<PIEC_3_PROC>/100)", "2.5*(1+30/100)"},
        {"<PCENA16><NULL>", "4"},
        {"<NET>-<BONUSS>", "2.5--0.5"},
    };
    for (const auto& [formula, expected] : cases)
        EXPECT_EQ(substitute(formula, v).value_or("?"), expected) << formula;
    EXPECT_FALSE(substitute("<NET>*<KCV>", v).has_value());  // no value for it
    EXPECT_DOUBLE_EQ(evaluate(*substitute("<NET>-<BONUSS>", v)).value(), 3.0);
}

TEST(PriceFormulaTest, NumbersAreWrittenWithoutExponentsAndRoundedByMode)
{
    EXPECT_EQ(numberText(1e-7) + " " + numberText(1e20) + " " + numberText(-0.5) + " " + numberText(1.0 / 3),
              "0.0000001 100000000000000000000 -0.5 0.333333333333333");
    EXPECT_DOUBLE_EQ(evaluate("(0.0000001*2)+1").value(), 1.0000002);
    struct Case {
        double value;
        int mode;
        double expected;
    };
    const Case cases[] = {
        // mode 11: to 0 or 5 hundredths, moving up
        {1.231, 11, 1.25}, {1.27, 11, 1.30}, {1.20, 11, 1.20}, {1.25, 11, 1.25}, {1.96, 11, 2.0}, {1.2049, 11, 1.20},
        // mode 0: two decimals; exact halves, as written, to the even neighbour
        {2.675, 0, 2.68}, {2.665, 0, 2.66}, {1.005, 0, 1.00}, {1.23456, 0, 1.23},
        {0.25, 1, 0.2}, {0.35, 1, 0.4}, {1.0015, 3, 1.002}, {1.0005, 3, 1.000}, {-2.5, 5, -2.5},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(roundPrice(c.value, c.mode, 2), c.expected) << c.value << " mode " << c.mode;
    EXPECT_DOUBLE_EQ(roundTo(2.5, 0) + roundTo(3.5, 0) + roundTo(-2.5, 0), 4.0);  // 2, 4, -2
}
