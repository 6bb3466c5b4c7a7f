#include "moviehost/flash_contract.h"
#include "platform/com.h"
#include "platform/ole.h"
#include "platform/wide.h"

#include <gtest/gtest.h>
#include <cstring>

namespace {

std::string textOf(REFGUID guid) {
    WCHAR buffer[39];
    if (StringFromGUID2(guid, buffer, 39) != 39)
        return "?";
    return platform::utf16_to_utf8(buffer);
}

TEST(GuidTest, EqualityLooksAtEverySixteenBytes) {
    for (std::size_t byte = 0; byte < sizeof(GUID); ++byte) {
        GUID changed = CLSID_ShockwaveFlash;
        reinterpret_cast<unsigned char*>(&changed)[byte] ^= 0x01;
        EXPECT_FALSE(IsEqualGUID(changed, CLSID_ShockwaveFlash)) << "byte " << byte;
        EXPECT_FALSE(changed == CLSID_ShockwaveFlash) << "byte " << byte;
        EXPECT_TRUE(changed != CLSID_ShockwaveFlash) << "byte " << byte;
    }
    GUID same;
    std::memcpy(&same, &CLSID_ShockwaveFlash, sizeof same);
    EXPECT_TRUE(IsEqualCLSID(same, CLSID_ShockwaveFlash));
    EXPECT_TRUE(IsEqualIID(IID_IShockwaveFlash, IID_IShockwaveFlash));
}

TEST(GuidTest, PublishedIdentifiersAreSpelledRight) {
    struct Case {
        const GUID& guid;
        const char* text;
    };
    const Case cases[] = {
        {CLSID_ShockwaveFlash, "{D27CDB6E-AE6D-11CF-96B8-444553540000}"},
        {IID_IShockwaveFlash, "{D27CDB6C-AE6D-11CF-96B8-444553540000}"},
        {DIID__IShockwaveFlashEvents, "{D27CDB6D-AE6D-11CF-96B8-444553540000}"},
        {IID_IUnknown, "{00000000-0000-0000-C000-000000000046}"},
        {IID_IDispatch, "{00020400-0000-0000-C000-000000000046}"},
        {IID_IClassFactory, "{00000001-0000-0000-C000-000000000046}"},
        {IID_IOleObject, "{00000112-0000-0000-C000-000000000046}"},
        {IID_IOleClientSite, "{00000118-0000-0000-C000-000000000046}"},
        {IID_IOleWindow, "{00000114-0000-0000-C000-000000000046}"},
        {IID_IOleInPlaceSite, "{00000119-0000-0000-C000-000000000046}"},
        {IID_IOleInPlaceFrame, "{00000116-0000-0000-C000-000000000046}"},
        {IID_IOleInPlaceObject, "{00000113-0000-0000-C000-000000000046}"},
        {IID_IViewObject, "{0000010D-0000-0000-C000-000000000046}"},
        {IID_IOleInPlaceSiteEx, "{9C2CAD80-3424-11CF-B670-00AA004CD6D8}"},
        {IID_IOleInPlaceSiteWindowless, "{922EADA0-3424-11CF-B670-00AA004CD6D8}"},
        {IID_IOleInPlaceObjectWindowless, "{1C2056CC-5EF4-101B-8BC8-00AA003E3B29}"},
        {IID_IConnectionPointContainer, "{B196B284-BAB4-101A-B69C-00AA00341D07}"},
        {IID_IConnectionPoint, "{B196B286-BAB4-101A-B69C-00AA00341D07}"},
        {IID_ISupportErrorInfo, "{DF0B3D60-548F-101B-8E65-08002B2BD119}"},
        {IID_IErrorInfo, "{1CF2B120-547D-101B-8E65-08002B2BD119}"},
        {IID_ICreateErrorInfo, "{22F03340-547D-101B-8E65-08002B2BD119}"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, textOf(c.guid));
}

TEST(GuidTest, StringFormRoundTripsAndRejectsAnythingElse) {
    GUID parsed = IID_IUnknown;
    ASSERT_EQ(S_OK, CLSIDFromString(u"{d27cdb6e-ae6d-11cf-96b8-444553540000}", &parsed));
    EXPECT_EQ(CLSID_ShockwaveFlash, parsed) << "lower case parses too";

    const char16_t* bad[] = {u"",
                             u"D27CDB6E-AE6D-11CF-96B8-444553540000",
                             u"{D27CDB6E-AE6D-11CF-96B8-44455354000}",
                             u"{D27CDB6E-AE6D-11CF-96B8-4445535400000}",
                             u"{D27CDB6E+AE6D-11CF-96B8-444553540000}",
                             u"{G27CDB6E-AE6D-11CF-96B8-444553540000}"};
    for (const char16_t* text : bad) {
        parsed = IID_IUnknown;
        EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(text, &parsed)) << platform::utf16_to_utf8(text);
        EXPECT_EQ(GUID_NULL, parsed);
    }
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(nullptr, &parsed));

    WCHAR small[38];
    EXPECT_EQ(0, StringFromGUID2(IID_IUnknown, small, 38)) << "one short of room for the terminator";
}

}  // namespace
