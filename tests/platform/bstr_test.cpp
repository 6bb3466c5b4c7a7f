#include "platform/oleauto.h"

#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>

namespace {

std::uint32_t prefixOf(BSTR bstr) {
    std::uint32_t length = 0;
    std::memcpy(&length, reinterpret_cast<const unsigned char*>(bstr) - 4, 4);
    return length;
}

TEST(BstrTest, LengthPrefixInBytesAndZeroTerminator) {
    platform::ScopedBstr text(SysAllocString(u"Movie"));
    ASSERT_TRUE(text);
    EXPECT_EQ(10u, prefixOf(text.get())) << "the prefix counts bytes, not characters";
    EXPECT_EQ(5u, SysStringLen(text.get()));
    EXPECT_EQ(10u, SysStringByteLen(text.get()));
    EXPECT_EQ(0, text.get()[5]) << "characters are followed by a zero WCHAR";
    EXPECT_EQ(std::u16string(u"Movie"), std::u16string(text.get()));
}

TEST(BstrTest, EmptyAndNullSources) {
    // An empty source gives a real, empty string; only null gives null.
    platform::ScopedBstr empty(SysAllocString(u""));
    ASSERT_NE(nullptr, empty.get());
    EXPECT_EQ(0u, prefixOf(empty.get()));
    EXPECT_EQ(0, empty.get()[0]);
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    EXPECT_EQ(0u, SysStringLen(nullptr));
    EXPECT_EQ(0u, SysStringByteLen(nullptr));
    SysFreeString(nullptr);
}

TEST(BstrTest, AllocStringLenKeepsEmbeddedZerosAndZeroFillsWithoutSource) {
    const char16_t source[] = {u'a', 0, u'b', 0, u'c'};
    platform::ScopedBstr text(SysAllocStringLen(source, 5));
    ASSERT_TRUE(text);
    EXPECT_EQ(5u, SysStringLen(text.get()));
    EXPECT_EQ(0, std::memcmp(source, text.get(), sizeof source));
    EXPECT_EQ(0, text.get()[5]);

    platform::ScopedBstr blank(SysAllocStringLen(nullptr, 3));
    ASSERT_TRUE(blank);
    EXPECT_EQ(3u, SysStringLen(blank.get()));
    for (int i = 0; i <= 3; ++i)
        EXPECT_EQ(0, blank.get()[i]) << "at " << i;
}

TEST(BstrTest, ByteLengthMayBeOdd) {
    platform::ScopedBstr bytes(SysAllocStringByteLen("abc", 3));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(3u, SysStringByteLen(bytes.get()));
    EXPECT_EQ(1u, SysStringLen(bytes.get())) << "characters round down";
    EXPECT_EQ(0, std::memcmp("abc", bytes.get(), 3));
    const auto* raw = reinterpret_cast<const unsigned char*>(bytes.get());
    EXPECT_EQ(0, raw[3]);
    EXPECT_EQ(0, raw[4]);
}

TEST(BstrTest, SizesThatDoNotFitTheLengthPrefixAreRefused) {
    EXPECT_EQ(nullptr, SysAllocStringLen(nullptr, 0x80000000u)) << "2^31 characters are 2^32 bytes";
    EXPECT_EQ(nullptr, SysAllocStringLen(nullptr, 0xFFFFFFFFu));
    EXPECT_EQ(nullptr, SysAllocStringByteLen(nullptr, 0xFFFFFFFFu));
    EXPECT_EQ(nullptr, SysAllocStringByteLen(nullptr, 0x7FFFFFFFu)) << "no room for prefix and terminator";
}

TEST(BstrTest, ScopedBstrIsAsSmallAsTheStringAndFreesOnReset) {
    static_assert(sizeof(platform::ScopedBstr) == sizeof(BSTR));
    platform::ScopedBstr text = platform::make_bstr(u"one");
    BSTR raw = text.get();
    platform::ScopedBstr moved(std::move(text));
    EXPECT_EQ(nullptr, text.get());
    EXPECT_EQ(raw, moved.get());
    moved.reset(SysAllocString(u"two"));  // the first string is freed (AddressSanitizer would report a leak)
    EXPECT_EQ(std::u16string(u"two"), std::u16string(moved.get()));
    BSTR kept = moved.release();
    EXPECT_FALSE(moved);
    SysFreeString(kept);
}

}  // namespace
