#include "base/Numbers.h"

#include <gtest/gtest.h>

#include <QString>

#include <optional>

using namespace base;

// Both reads of a number in text, with both ends of their ranges inside them: a leading number takes what the
// text starts with, a strict one the whole text; both round to the nearest integer, ties to even.
TEST(Numbers, LeadingAndStrictNumbersAndTheirRanges) {
    struct Case {
        const char16_t* text;
        qint64 min, max;
        std::optional<qint64> leading, strict;
    };
    const std::nullopt_t none = std::nullopt;
    const Case cases[] = {{u"12abc", 0, 100, 12, none},
                          {u"abc", -5, 5, 0, none},
                          {u"", 0, 100, 0, none},
                          {u" -3", -5, 5, -3, -3},
                          {u"\t+4 ", 0, 9, 4, 4},
                          {u"2.5", 0, 9, 2, 2},
                          {u"3.5", 0, 9, 4, 4},
                          {u"3.6x", 0, 9, 4, none},
                          {u"0", 0, 63, 0, 0},
                          {u"63", 0, 63, 63, 63},
                          {u"64", 0, 63, none, none},
                          {u"-1", 0, 63, none, none},
                          {u" 51 ", 0, 100, 51, 51},
                          {u"40000", INT16_MIN, INT16_MAX, none, none},
                          {u"-32768", INT16_MIN, INT16_MAX, -32768, -32768},
                          {u"99999999999999999999999", INT32_MIN, INT32_MAX, none, none}};
    for (const Case& c : cases) {
        const QStringView text(c.text);
        EXPECT_EQ(leadingNumber(text, c.min, c.max), c.leading) << text.toString().toStdString();
        EXPECT_EQ(strictNumber(text, c.min, c.max), c.strict) << text.toString().toStdString();
    }
}
