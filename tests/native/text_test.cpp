#include "base/text.h"

#include <gtest/gtest.h>

namespace zentrim {
namespace {

TEST(Text, Utf8RoundTripKeepsEveryPlane) {
    const std::u16string text = u"Zentrim \u00AE \u00E9\u4E2D \U0001F600";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(ToUtf8(u"\u00AE"), "\xC2\xAE");
}

TEST(Text, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(FromUtf8("a\xFF"
                       "b"),
              u"a\uFFFD"
              u"b");
    EXPECT_EQ(FromUtf8("\xE2\x82"), u"\uFFFD\uFFFD");
    EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD"); // overlong encoding of '/'
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Text, CaseFoldingCoversLatinGreekCyrillic) {
    EXPECT_TRUE(EqualsIgnoringCase(u"NtfsDisableLastAccessupdate", u"NTFSDISABLELASTACCESSUPDATE"));
    EXPECT_TRUE(EqualsIgnoringCase(u"\u00E9t\u00E9", u"\u00C9T\u00C9"));
    EXPECT_TRUE(EqualsIgnoringCase(u"\u0441\u043B\u043E\u0432\u043E", u"\u0421\u041B\u041E\u0412\u041E"));
    EXPECT_TRUE(EqualsIgnoringCase(u"\u0142\u017C", u"\u0141\u017B"));
    EXPECT_FALSE(EqualsIgnoringCase(u"abc", u"abd"));
    EXPECT_FALSE(EqualsIgnoringCase(u"abc", u"abcd"));
    EXPECT_EQ(ToLowerText(u"ENGLISH \u00C9\u0416"), u"english \u00E9\u0436");
}

TEST(Text, Int32TextIsStrict) {
    int value = 7;
    EXPECT_TRUE(TryParseInt32(u"1704164645", value));
    EXPECT_EQ(value, 1704164645);
    EXPECT_TRUE(TryParseInt32(u"-2147483648", value));
    EXPECT_EQ(value, -2147483647 - 1);
    for (const char16_t* bad : {u"", u"-", u"2147483648", u"12a", u" 12", u"1.5", u"99999999999999999999"}) {
        EXPECT_FALSE(TryParseInt32(bad, value)) << ToUtf8(bad);
    }
    EXPECT_EQ(IntToText(-42), u"-42");
}

} // namespace
} // namespace zentrim
