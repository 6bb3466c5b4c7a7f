#include "fake_control/fake_control.h"

#include "environment.h"
#include "moviehost/testing/recording_site.h"

#include <gtest/gtest.h>

namespace {

using fake_control::FakeControl;
using fake_control::Interface;
using moviehost::testing::RecordingSite;

// An event sink that records what Invoke receives.
class RecordingSink final : public IDispatch {
public:
    std::vector<std::string> events;
    HRESULT answer = S_OK;
    ULONG refs = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != DIID__IShockwaveFlashEvents)
            return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        std::string text = std::to_string(id) + " flags " + std::to_string(flags) + ":";
        for (UINT i = 0; i < params->cArgs; ++i) {
            const VARIANTARG& arg = params->rgvarg[i];
            text += arg.vt == VT_BSTR ? " [" + std::string(arg.bstrVal, arg.bstrVal + SysStringLen(arg.bstrVal)) + "]"
                                      : " vt" + std::to_string(arg.vt);
        }
        events.push_back(text);
        return answer;
    }
};

platform::ComPtr<IShockwaveFlash> flashOf(const FakeControl& control) {
    return platform::ComPtr<IUnknown>::share(control.unknown()).As<IShockwaveFlash>();
}

TEST(FakeControlTest, RecordsCallsInOrderWithTheirArguments) {
    FakeControl control;
    auto flash = flashOf(control);
    control.clearLog();
    platform::ScopedBstr movie = platform::make_bstr(u"clip.swf");
    platform::ScopedBstr target = platform::make_bstr(u"/menu");
    flash->put_Movie(movie.get());
    flash->put_EmbedMovie(VARIANT_FALSE);
    flash->TGotoFrame(target.get(), 7);
    flash->TSetPropertyNum(target.get(), 2, 50.0);
    flash->put_WMode(nullptr);
    flash->Play();
    EXPECT_EQ((std::vector<std::string>{"put_Movie(\"clip.swf\")", "put_EmbedMovie(0)", "TGotoFrame(\"/menu\", 7)",
                                        "TSetPropertyNum(\"/menu\", 2, 50)", "put_WMode(null)", "Play()"}),
              control.log());
    EXPECT_EQ((std::vector<std::string>{"TGotoFrame(\"/menu\", 7)", "Play()"}), control.log({"Play", "TGotoFrame"}));
    EXPECT_EQ("TGotoFrame", control.calls()[2].method);
}

TEST(FakeControlTest, KeepsPropertiesAndAnswersFromThem) {
    FakeControl control;
    auto flash = flashOf(control);
    platform::ScopedBstr best = platform::make_bstr(u"Best");
    EXPECT_EQ(S_OK, flash->put_Quality2(best.get()));
    platform::ScopedBstr quality;
    EXPECT_EQ(S_OK, flash->get_Quality2(quality.receive()));
    EXPECT_EQ(u"Best", std::u16string(quality.get()));

    EXPECT_EQ(S_OK, flash->put_BackgroundColor(0x123456));
    LONG colour = 0;
    flash->get_BackgroundColor(&colour);
    EXPECT_EQ(0x123456, colour);

    VARIANT_BOOL playing = VARIANT_TRUE;
    flash->IsPlaying(&playing);
    EXPECT_EQ(VARIANT_FALSE, playing);
    flash->Play();
    flash->IsPlaying(&playing);
    EXPECT_EQ(VARIANT_TRUE, playing);

    const char16_t withZero[] = {u'a', 0, u'b'};
    control.state().variables[u"v"] = std::u16string(withZero, 3);
    platform::ScopedBstr name = platform::make_bstr(u"v");
    platform::ScopedBstr value;
    EXPECT_EQ(S_OK, flash->GetVariable(name.get(), value.receive()));
    EXPECT_EQ(3u, SysStringLen(value.get())) << "scripted answers keep embedded zeros";

    platform::ScopedBstr target = platform::make_bstr(u"/");
    flash->TSetPropertyNum(target.get(), 2, 50.5);
    double number = 0;
    flash->TGetPropertyNum(target.get(), 2, &number);
    EXPECT_EQ(50.5, number);
    platform::ScopedBstr asText;
    flash->TGetProperty(target.get(), 2, asText.receive());
    EXPECT_EQ(u"50.5", std::u16string(asText.get()));

    platform::ScopedBstr response;
    platform::ScopedBstr request = platform::make_bstr(u"<invoke/>");
    EXPECT_EQ(S_OK, flash->CallFunction(request.get(), response.receive()));
    EXPECT_EQ(nullptr, response.get()) << "no scripted response: none";
    control.state().callResponses[u"<invoke/>"] = u"<string>ok</string>";
    EXPECT_EQ(S_OK, flash->CallFunction(request.get(), response.receive()));
    EXPECT_EQ(u"<string>ok</string>", std::u16string(response.get()));

    LONG zoomIgnored = 0;
    EXPECT_EQ(E_NOTIMPL, flash->Zoom(2)) << "members the fake leaves out answer E_NOTIMPL";
    EXPECT_EQ(E_NOTIMPL, flash->get_ProfilePort(&zoomIgnored));
}

TEST(FakeControlTest, ProgrammedFailuresHaveNoEffectAndCanCarryErrorInfo) {
    FakeControl control;
    auto flash = flashOf(control);
    control.setResult("put_Movie", E_FAIL, u"cannot open");
    platform::ScopedBstr movie = platform::make_bstr(u"x.swf");
    EXPECT_EQ(E_FAIL, flash->put_Movie(movie.get()));
    EXPECT_EQ(u"", control.state().movie);
    platform::ComPtr<IErrorInfo> info;
    ASSERT_EQ(S_OK, GetErrorInfo(0, info.receive()));
    platform::ScopedBstr description;
    info->GetDescription(description.receive());
    EXPECT_EQ(u"cannot open", std::u16string(description.get()));

    control.setResult("get_BackgroundColor", E_UNEXPECTED);
    LONG colour = 77;
    EXPECT_EQ(E_UNEXPECTED, flash->get_BackgroundColor(&colour));
    EXPECT_EQ(77, colour) << "a refused getter writes nothing";
    platform::ComPtr<IErrorInfo> none;
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, none.receive())) << "no description, no error object";

    control.skipOutput("IsPlaying");
    VARIANT_BOOL playing = 5;
    EXPECT_EQ(S_OK, flash->IsPlaying(&playing));
    EXPECT_EQ(5, playing);

    control.setResult("OnWindowMessage", S_FALSE);
    auto windowless = flash.As<IOleInPlaceObjectWindowless>();
    LRESULT result = 9;
    EXPECT_EQ(S_FALSE, windowless->OnWindowMessage(WM_MOUSEMOVE, 0, 0, &result)) << "success codes pass through";
    EXPECT_EQ(0, result);
    control.clearResults();
    EXPECT_EQ(S_OK, flash->put_Movie(movie.get()));
}

TEST(FakeControlTest, LacksInterfacesWhenTold) {
    FakeControl control;
    auto unknown = platform::ComPtr<IUnknown>::share(control.unknown());
    EXPECT_TRUE(unknown.As<IViewObject>());
    EXPECT_TRUE(unknown.As<IOleInPlaceObject>());
    EXPECT_EQ(unknown.get(), unknown.As<IOleObject>().get()) << "IOleObject is the identity";
    control.lack(Interface::ViewObject);
    control.lack(Interface::InPlaceObject);
    control.lack(Interface::ConnectionPointContainer);
    HRESULT hr = S_OK;
    EXPECT_FALSE(unknown.As<IViewObject>(&hr));
    EXPECT_EQ(E_NOINTERFACE, hr);
    EXPECT_FALSE(unknown.As<IOleInPlaceObject>());
    EXPECT_TRUE(unknown.As<IOleInPlaceObjectWindowless>()) << "each interface is lacking on its own";
    EXPECT_FALSE(unknown.As<IConnectionPointContainer>());
    EXPECT_TRUE(unknown.As<ISupportErrorInfo>());
    EXPECT_FALSE(unknown.As<IOleClientSite>());
}

TEST(FakeControlTest, CountsReferencesOthersTakeAndGiveBack) {
    FakeControl control;
    EXPECT_EQ(1u, control.refCount()) << "the handle's own";
    {
        auto flash = flashOf(control);  // a shared IUnknown (gone again) and the queried flash
        auto view = flash.As<IViewObject>();
        EXPECT_EQ(3u, control.refCount());
    }
    EXPECT_EQ(1u, control.refCount());
    EXPECT_EQ(3u, control.addRefCalls());
    EXPECT_EQ(3u, control.releaseCalls());
}

TEST(FakeControlTest, InPlaceActivationAsksTheSiteAndInvalidatesThroughIt) {
    FakeControl control;
    RecordingSite site;
    site.position = {0, 0, 640, 480};
    ASSERT_EQ(S_OK, control.oleObject()->SetClientSite(site.clientSite()));
    control.onCall("DoVerb", [&] { control.invalidateRect(nullptr); });
    EXPECT_EQ(S_OK,
              control.oleObject()->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.clientSite(), 0, nullptr, nullptr));
    EXPECT_EQ((std::vector<std::string>{"CanInPlaceActivate", "CanWindowlessActivate",
                                        "OnInPlaceActivateEx(windowless)", "GetWindowContext", "InvalidateRect"}),
              site.calls);
    EXPECT_TRUE(control.state().inPlaceActive);
    EXPECT_TRUE(control.state().windowless);
    EXPECT_EQ(480, control.state().windowContextPosition.bottom);

    const RECT dirty = {1, 2, 3, 4};
    EXPECT_EQ(S_OK, control.invalidateRect(&dirty));
    EXPECT_EQ(S_OK, control.invalidateRgn(nullptr));
    ASSERT_EQ(3u, site.invalidations.size());
    ASSERT_TRUE(site.invalidations[1].has_value());
    EXPECT_EQ(3, site.invalidations[1]->right);

    site.offersWindowless = false;
    EXPECT_EQ(E_NOINTERFACE, control.invalidateRect(&dirty));
    EXPECT_EQ(S_OK, control.oleObject()->Close(OLECLOSE_NOSAVE));
    EXPECT_TRUE(control.state().closed);
    control.oleObject()->SetClientSite(nullptr);
    EXPECT_EQ(0, site.refs) << "the control gave back every site reference it took";
    EXPECT_EQ(E_UNEXPECTED, control.invalidateRect(&dirty));
}

TEST(FakeControlTest, RaisesEventsThroughTheAdvisedSink) {
    FakeControl control;
    RecordingSink sink;
    auto container = platform::ComPtr<IUnknown>::share(control.unknown()).As<IConnectionPointContainer>();
    platform::ComPtr<IConnectionPoint> point;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IDispatch, point.receive()));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID__IShockwaveFlashEvents, point.receive()));
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));
    EXPECT_NE(0u, cookie);
    EXPECT_EQ(1u, control.sinkCount());

    sink.answer = E_NOTIMPL;
    EXPECT_EQ(E_NOTIMPL, control.fireFsCommand(u"quit", u"now"));
    sink.answer = S_OK;
    EXPECT_EQ(S_OK, control.fireFlashCall(u"<invoke name=\"f\"/>"));
    ASSERT_EQ(2u, sink.events.size());
    EXPECT_EQ("150 flags 1: [now] [quit]", sink.events[0]) << "arguments are stored last to first";
    EXPECT_EQ("197 flags 1: [<invoke name=\"f\"/>]", sink.events[1]);

    std::vector<VARIANTARG> three(3);
    for (VARIANTARG& arg : three) {
        VariantInit(&arg);
        arg.vt = VT_I4;
    }
    control.fireEvent(DISPID_FSCommand, three);
    EXPECT_EQ("150 flags 1: vt3 vt3 vt3", sink.events[2]);

    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookie + 1));
    EXPECT_EQ(S_OK, point->Unadvise(cookie));
    EXPECT_EQ(0u, sink.refs);
    EXPECT_EQ(CONNECT_E_NOCONNECTION, control.fireFlashCall(u"x"));
}

TEST(FakeControlTest, EnvironmentSettingsAreParsedStrictly) {
    const auto failures = fake_control::parseFailures(" Play=0x80004005, put_Movie = -2147467259 ,bad,=1,x=zz");
    ASSERT_EQ(2u, failures.size());
    EXPECT_EQ(E_FAIL, failures.at("Play"));
    EXPECT_EQ(E_FAIL, failures.at("put_Movie"));
    EXPECT_EQ((std::vector<std::string>{"IViewObject", "ISupportErrorInfo"}),
              fake_control::parseList("IViewObject, ,ISupportErrorInfo,"));
}

}  // namespace
