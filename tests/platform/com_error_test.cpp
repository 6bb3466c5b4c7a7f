#include "platform/com_error.h"

#include "fake_control/fake_control.h"

#include <gtest/gtest.h>

namespace {

platform::ComPtr<IErrorInfo> makeError(const char16_t* description) {
    platform::ComPtr<ICreateErrorInfo> create;
    EXPECT_EQ(S_OK, CreateErrorInfo(create.receive()));
    std::u16string text = description;
    create->SetDescription(text.data());
    return create.As<IErrorInfo>();
}

ULONG refsOf(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

TEST(ComErrorTest, TakesOverTheErrorObjectOrAddsAReferenceWhenAsked) {
    auto info = makeError(u"broken");
    ASSERT_EQ(1u, refsOf(info.get()));
    {
        _com_error shared(E_FAIL, info.get(), true);
        EXPECT_EQ(2u, refsOf(info.get()));
    }
    EXPECT_EQ(1u, refsOf(info.get()));

    IErrorInfo* handed = info.release();
    {
        _com_error owner(E_FAIL, handed);  // owns the only reference now
        EXPECT_EQ(1u, refsOf(handed));
        _com_error copy = owner;
        EXPECT_EQ(2u, refsOf(handed)) << "a copy holds its own reference";
        IErrorInfo* asked = copy.ErrorInfo();
        EXPECT_EQ(handed, asked);
        EXPECT_EQ(3u, refsOf(handed)) << "ErrorInfo() hands out a reference";
        asked->Release();
        EXPECT_EQ(u"broken", copy.Description());
    }
    // Both exceptions are gone; so is the object (AddressSanitizer checks).
}

TEST(ComErrorTest, AssignmentSwapsReferencesCleanly) {
    auto first = makeError(u"first");
    auto second = makeError(u"second");
    _com_error a(E_FAIL, first.get(), true);
    _com_error b(E_NOTIMPL, second.get(), true);
    a = b;
    EXPECT_EQ(1u, refsOf(first.get()));
    EXPECT_EQ(3u, refsOf(second.get()));
    EXPECT_EQ(E_NOTIMPL, a.Error());
    _com_error& alias = a;
    a = alias;
    EXPECT_EQ(3u, refsOf(second.get()));
}

TEST(ComErrorTest, MessagesNameTheCode) {
    EXPECT_STREQ("error 0x80004005: Unspecified error", _com_error(E_FAIL).ErrorMessage());
    EXPECT_STREQ("error 0x8007000E: Not enough memory resources are available to complete this operation",
                 _com_error(E_OUTOFMEMORY).ErrorMessage());
    EXPECT_STREQ("error 0x80040205: IDispatch error #5", _com_error(static_cast<HRESULT>(0x80040205u)).ErrorMessage());
    EXPECT_STREQ("error 0x8ABC0001: Unknown error", _com_error(static_cast<HRESULT>(0x8ABC0001u)).ErrorMessage());
    _com_error none(E_FAIL);
    EXPECT_EQ(nullptr, none.ErrorInfo());
    EXPECT_EQ(u"", none.Description());
    EXPECT_EQ(GUID_NULL, none.GUID());
    EXPECT_EQ(5, _com_error::HRESULTToWCode(static_cast<HRESULT>(0x80040205u)));
    EXPECT_EQ(static_cast<HRESULT>(0x80040205u), _com_error::WCodeToHRESULT(5));
}

TEST(ComErrorTest, IssueErrorExTakesTheThreadErrorOnlyWhenTheObjectReportsIt) {
    fake_control::FakeControl control;
    auto info = makeError(u"from the control");
    SetErrorInfo(0, info.get());
    try {
        _com_issue_errorex(E_FAIL, control.unknown(), IID_IShockwaveFlash);
        FAIL() << "no exception";
    } catch (const _com_error& error) {
        EXPECT_EQ(E_FAIL, error.Error());
        EXPECT_EQ(u"from the control", error.Description());
    }
    platform::ComPtr<IErrorInfo> left;
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, left.receive())) << "the exception took the thread's object";

    // For another interface the control says no: the thread's object stays.
    SetErrorInfo(0, info.get());
    try {
        _com_issue_errorex(E_NOTIMPL, control.unknown(), IID_IOleObject);
        FAIL() << "no exception";
    } catch (const _com_error& error) {
        EXPECT_EQ(E_NOTIMPL, error.Error());
        EXPECT_EQ(nullptr, error.ErrorInfo());
    }
    control.lack(fake_control::Interface::SupportErrorInfo);
    try {
        _com_issue_errorex(E_FAIL, control.unknown(), IID_IShockwaveFlash);
        FAIL() << "no exception";
    } catch (const _com_error& error) {
        EXPECT_EQ(nullptr, error.ErrorInfo()) << "without ISupportErrorInfo no error object is taken";
    }
    SetErrorInfo(0, nullptr);
}

}  // namespace
