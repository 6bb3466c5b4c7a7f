#include "platform/com.h"
#include "platform/oleauto.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

platform::ComPtr<IErrorInfo> makeError(const char16_t* description) {
    platform::ComPtr<ICreateErrorInfo> create;
    EXPECT_EQ(S_OK, CreateErrorInfo(create.receive()));
    std::u16string text = description;
    EXPECT_EQ(S_OK, create->SetDescription(text.data()));
    return create.As<IErrorInfo>();
}

ULONG refsOf(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

TEST(ErrorInfoTest, GetHandsTheObjectOverAndClearsTheSlot) {
    auto error = makeError(u"first");
    ASSERT_TRUE(error);
    ASSERT_EQ(S_OK, SetErrorInfo(0, error.get()));
    EXPECT_EQ(2u, refsOf(error.get())) << "the thread's slot holds a reference";

    platform::ComPtr<IErrorInfo> taken;
    EXPECT_EQ(S_OK, GetErrorInfo(0, taken.receive()));
    EXPECT_EQ(error.get(), taken.get());
    EXPECT_EQ(2u, refsOf(error.get())) << "the slot's reference moved to the caller";

    platform::ComPtr<IErrorInfo> again;
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, again.receive()));
    EXPECT_EQ(nullptr, again.get());
    EXPECT_EQ(E_INVALIDARG, GetErrorInfo(0, nullptr));
}

TEST(ErrorInfoTest, SetReplacesAndNullClears) {
    auto first = makeError(u"first");
    auto second = makeError(u"second");
    SetErrorInfo(0, first.get());
    SetErrorInfo(0, second.get());
    EXPECT_EQ(1u, refsOf(first.get())) << "the replaced object was released";
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(1u, refsOf(second.get()));
    platform::ComPtr<IErrorInfo> none;
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, none.receive()));
}

TEST(ErrorInfoTest, EachThreadHasItsOwnSlot) {
    auto error = makeError(u"main thread");
    SetErrorInfo(0, error.get());
    HRESULT seenElsewhere = E_FAIL;
    std::thread other([&] {
        IErrorInfo* info = nullptr;
        seenElsewhere = GetErrorInfo(0, &info);
        // A thread that ends with an object in its slot gives it back.
        auto own = makeError(u"other thread");
        SetErrorInfo(0, own.get());
    });
    other.join();
    EXPECT_EQ(S_FALSE, seenElsewhere);
    platform::ComPtr<IErrorInfo> mine;
    EXPECT_EQ(S_OK, GetErrorInfo(0, mine.receive()));
    EXPECT_EQ(error.get(), mine.get());
}

TEST(ErrorInfoTest, CreatedObjectKeepsWhatItIsGiven) {
    platform::ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(S_OK, CreateErrorInfo(create.receive()));
    std::u16string source = u"Source", description = u"Went wrong";
    create->SetGUID(IID_IDispatch);
    create->SetSource(source.data());
    create->SetDescription(description.data());
    create->SetHelpContext(7);
    auto info = create.As<IErrorInfo>();
    ASSERT_TRUE(info);

    GUID guid = GUID_NULL;
    EXPECT_EQ(S_OK, info->GetGUID(&guid));
    EXPECT_EQ(IID_IDispatch, guid);
    platform::ScopedBstr text;
    EXPECT_EQ(S_OK, info->GetDescription(text.receive()));
    EXPECT_EQ(description, std::u16string(text.get()));
    platform::ScopedBstr help;
    EXPECT_EQ(S_OK, info->GetHelpFile(help.receive()));
    EXPECT_EQ(nullptr, help.get()) << "never set: no string";
    DWORD context = 0;
    EXPECT_EQ(S_OK, info->GetHelpContext(&context));
    EXPECT_EQ(7u, context);
    EXPECT_FALSE(info.As<IDispatch>()) << "only the two error interfaces are offered";
}

}  // namespace
