#include "platform/oleauto.h"

#include "counted_object.h"

#include <gtest/gtest.h>
#include <cstddef>

namespace {

using moviehost::testing::CountedObject;

TEST(VariantTest, LayoutIsTheTaggedUnionOfThePlatform) {
    EXPECT_EQ(0u, offsetof(VARIANT, vt));
    EXPECT_EQ(2u, offsetof(VARIANT, wReserved1));
    EXPECT_EQ(8u, offsetof(VARIANT, lVal));
    EXPECT_EQ(8u, offsetof(VARIANT, bstrVal));
    EXPECT_EQ(8u, offsetof(VARIANT, dblVal));
    EXPECT_EQ(8u + 2 * sizeof(void*), sizeof(VARIANT));
    EXPECT_EQ(0x4008, VT_BYREF | VT_BSTR);
}

TEST(VariantTest, ClearFreesStringsAndReleasesInterfaces) {
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(u"owned");  // freed by VariantClear, or AddressSanitizer reports a leak
    EXPECT_EQ(S_OK, VariantClear(&text));
    EXPECT_EQ(VT_EMPTY, text.vt);

    CountedObject object;
    VARIANT unknown;
    VariantInit(&unknown);
    unknown.vt = VT_UNKNOWN;
    unknown.punkVal = &object;
    object.AddRef();
    EXPECT_EQ(S_OK, VariantClear(&unknown));
    EXPECT_EQ(1u, object.refs());
    EXPECT_EQ(VT_EMPTY, unknown.vt);
}

TEST(VariantTest, ClearLeavesByReferenceTargetsAlone) {
    platform::ScopedBstr target(SysAllocString(u"not mine"));
    BSTR held = target.get();
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_BSTR;
    reference.pbstrVal = &held;
    EXPECT_EQ(S_OK, VariantClear(&reference));
    EXPECT_EQ(VT_EMPTY, reference.vt);
    EXPECT_EQ(target.get(), held);
    EXPECT_EQ(std::u16string(u"not mine"), std::u16string(held));
}

TEST(VariantTest, ClearRefusesWhatItCannotFreeAndNull) {
    VARIANT array;
    VariantInit(&array);
    array.vt = VT_ARRAY | VT_I4;
    array.byref = nullptr;
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantClear(&array));
    EXPECT_EQ(VT_ARRAY | VT_I4, array.vt) << "an unsupported variant is left as it was";
    EXPECT_EQ(E_INVALIDARG, VariantClear(nullptr));
}

TEST(VariantTest, CopyDuplicatesStringsAndAddsReferences) {
    const char16_t sourceText[] = {u'a', 0, u'b'};
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(sourceText, 3);
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(S_OK, VariantCopy(&copy, &source));
    EXPECT_EQ(VT_BSTR, copy.vt);
    EXPECT_NE(source.bstrVal, copy.bstrVal) << "the copy owns a string of its own";
    EXPECT_EQ(3u, SysStringLen(copy.bstrVal)) << "embedded zeros are copied";
    EXPECT_EQ(0, std::memcmp(sourceText, copy.bstrVal, sizeof sourceText));

    CountedObject object;
    VARIANT unknown;
    VariantInit(&unknown);
    unknown.vt = VT_UNKNOWN;
    unknown.punkVal = &object;
    // Copying over a string variant frees the string first.
    ASSERT_EQ(S_OK, VariantCopy(&copy, &unknown));
    EXPECT_EQ(VT_UNKNOWN, copy.vt);
    EXPECT_EQ(2u, object.refs());
    EXPECT_EQ(S_OK, VariantClear(&copy));
    EXPECT_EQ(1u, object.refs());
    EXPECT_EQ(S_OK, VariantClear(&source));
}

TEST(VariantTest, CopyOntoItselfChangesNothing) {
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(u"same");
    BSTR before = text.bstrVal;
    EXPECT_EQ(S_OK, VariantCopy(&text, &text));
    EXPECT_EQ(before, text.bstrVal);
    EXPECT_EQ(std::u16string(u"same"), std::u16string(text.bstrVal));
    EXPECT_EQ(S_OK, VariantClear(&text));
}

TEST(VariantTest, ScopedVariantClearsOnResetAndNotAfterRelease) {
    static_assert(sizeof(platform::ScopedVariant) == sizeof(VARIANT));
    CountedObject object;
    {
        VARIANT* out = nullptr;
        platform::ScopedVariant holder;
        out = holder.receive();
        out->vt = VT_UNKNOWN;
        out->punkVal = &object;
        object.AddRef();
        EXPECT_TRUE(holder);
        platform::ScopedVariant moved(std::move(holder));
        EXPECT_FALSE(holder);
        EXPECT_EQ(2u, object.refs()) << "moving takes no reference";
    }
    EXPECT_EQ(1u, object.refs()) << "leaving scope released the reference";

    platform::ScopedVariant text = platform::make_variant(platform::make_bstr(u"kept"));
    platform::VariantValue raw = text.release();
    EXPECT_EQ(VT_BSTR, raw.vt);
    EXPECT_EQ(std::u16string(u"kept"), std::u16string(raw.bstrVal));
    EXPECT_EQ(S_OK, VariantClear(&raw));
}

}  // namespace
