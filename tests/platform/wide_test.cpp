#include "platform/wide.h"

#include <gtest/gtest.h>
#include <climits>

namespace {

TEST(WideTest, WtoiParsesLikeTheRuntime) {
    struct Case {
        const char16_t* text;
        int expected;
    };
    const Case cases[] = {
        {u"42", 42},
        {u"  \t\n-17xyz", -17},
        {u"+8", 8},
        {u"", 0},
        {u"abc", 0},
        {u"- 5", 0},
        {u"12 34", 12},
        {u"0009", 9},
        {u"2147483647", INT_MAX},
        {u"-2147483648", INT_MIN},
        {u"2147483648", INT_MAX},
        {u"-2147483649", INT_MIN},
        {u"99999999999999999999999", INT_MAX},
        {u"-99999999999999999999999", INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, _wtoi(c.text)) << "input: " << platform::utf16_to_utf8(c.text);
    EXPECT_EQ(0, _wtoi(nullptr));
}

TEST(WideTest, LstrFunctionsCopyWithTerminatorAndTolerateNull) {
    WCHAR buffer[8] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
    EXPECT_EQ(buffer, lstrcpyW(buffer, u"abc"));
    EXPECT_EQ(std::u16string(u"abc"), std::u16string(buffer));
    EXPECT_EQ(u'x', buffer[4]) << "nothing is written past the terminator";
    EXPECT_EQ(3, lstrlenW(buffer));
    EXPECT_EQ(0, lstrlenW(nullptr));
    EXPECT_EQ(nullptr, lstrcpyW(nullptr, u"abc"));
    EXPECT_EQ(nullptr, lstrcpyW(buffer, nullptr));
}

TEST(WideTest, Utf8AndUtf16RoundTrip) {
    const std::string text = "path/\xC3\xA9t\xC3\xA9/\xF0\x9F\x8E\xAC.swf";  // é and a clapper board (U+1F3AC)
    const platform::WideString wide = platform::utf8_to_utf16(text);
    ASSERT_EQ(std::u16string(u"path/\u00e9t\u00e9/\U0001F3AC.swf"), wide);
    EXPECT_EQ(text, platform::utf16_to_utf8(wide));
    EXPECT_EQ("", platform::utf16_to_utf8(static_cast<const WCHAR*>(nullptr)));
    EXPECT_EQ(u"", platform::utf8_to_utf16(static_cast<const char*>(nullptr)));
}

TEST(WideTest, IllFormedInputBecomesReplacementCharacters) {
    // A lone lead byte, an overlong '/', an encoded surrogate, a truncated tail.
    EXPECT_EQ(std::u16string(u"a\uFFFDb"), platform::utf8_to_utf16(std::string_view("a\xC3"
                                                                                    "b")));
    EXPECT_EQ(std::u16string(u"\uFFFD\uFFFD"), platform::utf8_to_utf16(std::string_view("\xC0\xAF")));
    EXPECT_EQ(std::u16string(u"\uFFFD\uFFFD\uFFFD"), platform::utf8_to_utf16(std::string_view("\xED\xA0\x80")));
    EXPECT_EQ(std::u16string(u"x\uFFFD"), platform::utf8_to_utf16(std::string_view("x\xE2\x82")).substr(0, 2));
    // Unpaired surrogates in UTF-16.
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(
        "a\xEF\xBF\xBD"
        "b\xEF\xBF\xBD",
        platform::utf16_to_utf8(lone));
}

}  // namespace
