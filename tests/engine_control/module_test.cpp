// The module as an in-process server: its exports, its class factory, the
// interfaces a control answers, creation through the COM registry, and
// reference counts that balance.
#include "control_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace controltest;

namespace {

constexpr CLSID OtherClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

TEST(Module, ExportsTheServerEntryPoints) {
    ASSERT_EQ(ControlModule::instance().getClassObject(CLSID_ShockwaveFlash, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(ControlModule::instance().canUnloadNow(), S_OK) << "no object is alive between tests";
}

TEST(Module, ServesOnlyTheFlashClass) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(ControlModule::instance().getClassObject(OtherClass, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);

    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(ControlModule::instance().getClassObject(CLSID_ShockwaveFlash, IID_IOleObject, &object), E_NOINTERFACE)
        << "the class object is a factory, not a control";
    EXPECT_EQ(object, nullptr);
}

TEST(Module, FactoryAndLocksKeepTheModuleInUse) {
    const ControlModule& module = ControlModule::instance();
    platform::ComPtr<IClassFactory> factory;
    ASSERT_EQ(module.getClassObject(CLSID_ShockwaveFlash, IID_IClassFactory, factory.receive_void()), S_OK);
    EXPECT_EQ(module.canUnloadNow(), S_FALSE) << "a live factory";
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(module.canUnloadNow(), S_FALSE) << "a server lock";

    platform::ComPtr<IClassFactory> again;
    ASSERT_EQ(module.getClassObject(CLSID_ShockwaveFlash, IID_IUnknown, again.receive_void()), S_OK);
    EXPECT_EQ(again->LockServer(FALSE), S_OK);
    EXPECT_EQ(again->LockServer(FALSE), S_OK) << "an unlock too many is ignored";

    void* object = nullptr;
    EXPECT_EQ(again->CreateInstance(again.get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);

    platform::ComPtr<IOleObject> control;
    ASSERT_EQ(again->CreateInstance(nullptr, IID_IOleObject, control.receive_void()), S_OK);
    again.reset();
    EXPECT_EQ(module.canUnloadNow(), S_FALSE) << "a live control";
    control.reset();
    EXPECT_EQ(module.canUnloadNow(), S_OK);
}

// Every interface the host reaches is one object: asking any of them for
// IUnknown gives the same pointer.
TEST(Module, AnswersTheHostsInterfacesWithOneIdentity) {
    const auto control = ControlModule::instance().create();
    ASSERT_TRUE(control);
    const auto identity = control.As<IUnknown>();
    const IID offered[] = {IID_IOleObject,        IID_IOleWindow,
                           IID_IOleInPlaceObject, IID_IOleInPlaceObjectWindowless,
                           IID_IViewObject,       IID_IConnectionPointContainer,
                           IID_ISupportErrorInfo, IID_IShockwaveFlash,
                           IID_IDispatch};
    for (const IID& iid : offered) {
        const auto face = control.As<IUnknown>(iid);
        ASSERT_TRUE(face) << "interface " << iid.Data1 << " not offered";
        EXPECT_EQ(face.As<IUnknown>().get(), identity.get());
    }
    const IID refused[] = {IID_IOleClientSite, IID_IClassFactory, DIID__IShockwaveFlashEvents, IID_IOleInPlaceSite};
    for (const IID& iid : refused) {
        void* raw = reinterpret_cast<void*>(1);
        EXPECT_EQ(control->QueryInterface(iid, &raw), E_NOINTERFACE) << "interface " << iid.Data1;
        EXPECT_EQ(raw, nullptr);
    }
}

// The host calls IShockwaveFlash by slot. Slot 39 is FlashVersion, slot 22
// put_Movie: call them through the raw table.
TEST(Module, IShockwaveFlashSlotsAreInTheTypeLibraryOrder) {
    const auto control = ControlModule::instance().create();
    const auto flash = control.As<IShockwaveFlash>();
    ASSERT_TRUE(flash);
    using VersionFn = HRESULT(STDMETHODCALLTYPE*)(IShockwaveFlash*, LONG*);
    auto** table = *reinterpret_cast<void***>(flash.get());
    LONG version = 0;
    EXPECT_EQ(reinterpret_cast<VersionFn>(table[39])(flash.get(), &version), S_OK);
    EXPECT_EQ(version, 0x000A0000) << "10.0 in 16.16 fixed point";

    using GetLongFn = HRESULT(STDMETHODCALLTYPE*)(IShockwaveFlash*, LONG*);
    LONG ready = -1;
    EXPECT_EQ(reinterpret_cast<GetLongFn>(table[7])(flash.get(), &ready), S_OK) << "slot 7 is get_ReadyState";
    EXPECT_EQ(ready, 0) << "no movie yet";
}

TEST(Module, ReferencesOnTheSiteBalanceAfterCloseAndRelease) {
    {
        Control control;
        control.activate(200, 100);
        EXPECT_GT(control.site.refs, 0) << "the control holds its site while active";
        control.close();
        EXPECT_EQ(control.site.refs, 0) << "Close lets go of the site";
    }
    EXPECT_EQ(ControlModule::instance().canUnloadNow(), S_OK) << "the control is gone";
}

// Without Close, the last Release still lets go of the site.
TEST(Module, LastReleaseLetsGoOfTheSite) {
    TestSite site;
    {
        auto control = ControlModule::instance().create();
        ASSERT_EQ(control->SetClientSite(site.clientSite()), S_OK);
        ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.clientSite(), 0, nullptr, nullptr), S_OK);
        EXPECT_GT(site.refs, 0);
    }
    EXPECT_EQ(site.refs, 0);
    EXPECT_EQ(ControlModule::instance().canUnloadNow(), S_OK);
}

// With no library handle the host creates the control through the COM
// registry; a registry file naming our module is all it takes.
TEST(Module, CreatedThroughCoCreateInstanceWithARegistryFile) {
    const std::filesystem::path registry = testFolder() / "registry.reg";
    {
        std::ofstream out(registry);
        out << "Windows Registry Editor Version 5.00\n\n"
               "[HKEY_CLASSES_ROOT\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32]\n"
               "@=\""
            << ControlModule::path() << "\"\n";
    }
    const char* previous = std::getenv("MOVIEHOST_REGISTRY");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("MOVIEHOST_REGISTRY", registry.c_str(), 1);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        platform::ComPtr<IOleObject> control;
        EXPECT_EQ(CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                   control.receive_void()),
                  S_OK);
        ASSERT_TRUE(control);
        const auto flash = control.As<IShockwaveFlash>();
        ASSERT_TRUE(flash);
        LONG version = 0;
        EXPECT_EQ(flash->FlashVersion(&version), S_OK);
        EXPECT_EQ(version, 0x000A0000);
    }
    CoUninitialize();
    if (previous != nullptr)
        setenv("MOVIEHOST_REGISTRY", saved.c_str(), 1);
    else
        unsetenv("MOVIEHOST_REGISTRY");
    EXPECT_EQ(ControlModule::instance().canUnloadNow(), S_OK);
}

}  // namespace
