// CoCreateInstance through a registry file written by the test, to the fake
// control module.
#include "moviehost/flash_contract.h"
#include "platform/com.h"
#include "platform/ole.h"

#include "fake_control/fake_control.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using moviehost::testing::ScopedEnv;
using moviehost::testing::TempFile;

std::string registryFor(const std::string& server, const char* type = "\"") {
    std::string value = std::string(type) == "\"" ? "\"" + server + "\"" : server;
    return "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32]\n"
           "@=" +
           value + "\n";
}

class CreateTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override {
        CoUninitialize();
        fake_control::FakeControl::setCreationHook({});
    }

    HRESULT create(IOleObject** object) {
        return CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(object));
    }

    TempFile m_registry{".reg"};
    ScopedEnv m_env{"MOVIEHOST_REGISTRY", m_registry.path()};
};

TEST_F(CreateTest, CreatesTheRegisteredControlThroughItsModule) {
    m_registry.write(registryFor(FAKE_CONTROL_MODULE_PATH));
    std::vector<fake_control::FakeControl> created;
    fake_control::FakeControl::setCreationHook([&](fake_control::FakeControl& c) { created.push_back(c); });

    platform::ComPtr<IOleObject> object;
    ASSERT_EQ(S_OK, create(object.receive()));
    ASSERT_TRUE(object);
    ASSERT_EQ(1u, created.size()) << "the object came from the module's class factory";
    auto flash = object.As<IShockwaveFlash>();
    ASSERT_TRUE(flash);
    EXPECT_EQ(S_OK, flash->Play());
    EXPECT_EQ(std::vector<std::string>{"Play()"}, created[0].log({"Play"}));
    EXPECT_EQ(3u, created[0].refCount()) << "ours two and the hook's handle";
    flash.reset();
    object.reset();
    EXPECT_EQ(1u, created[0].refCount()) << "every reference CoCreateInstance handed out came back";
}

TEST_F(CreateTest, ExpandStringPathsAreExpanded) {
    const std::string module = FAKE_CONTROL_MODULE_PATH;
    const std::size_t slash = module.rfind('/');
    ScopedEnv folder("FAKE_CONTROL_FOLDER", module.substr(0, slash));
    std::string hex;
    for (char c : "%FAKE_CONTROL_FOLDER%" + module.substr(slash)) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "%02x,00,", static_cast<unsigned char>(c));
        hex += byte;
    }
    m_registry.write(registryFor("hex(2):" + hex + "00,00", "hex"));
    platform::ComPtr<IOleObject> object;
    EXPECT_EQ(S_OK, create(object.receive()));
}

TEST_F(CreateTest, FailuresHaveClearCodes) {
    IOleObject* object = reinterpret_cast<IOleObject*>(&object);  // must come back null
    m_registry.write("REGEDIT4\n");
    EXPECT_EQ(REGDB_E_CLASSNOTREG, create(&object));
    EXPECT_EQ(nullptr, object);

    m_registry.write(registryFor("/nonexistent/folder/control.so"));
    EXPECT_EQ(CO_E_DLLNOTFOUND, create(&object));
    EXPECT_EQ(nullptr, object);

    m_registry.write(registryFor("libm.so.6"));
    EXPECT_EQ(CO_E_ERRORINDLL, create(&object)) << "a library without DllGetClassObject";

    m_registry.write(registryFor(FAKE_CONTROL_MODULE_PATH));
    {
        ScopedEnv fail("FAKE_CONTROL_FAIL", "CreateInstance=0x80004005");
        EXPECT_EQ(E_FAIL, create(&object)) << "the factory's answer passes through";
    }
    {
        ScopedEnv fail("FAKE_CONTROL_FAIL", "DllGetClassObject=0x80040111");
        EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, create(&object));
    }
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_LOCAL_SERVER, IID_IOleObject,
                                                    reinterpret_cast<void**>(&object)));
    EXPECT_EQ(E_NOINTERFACE, CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory,
                                              reinterpret_cast<void**>(&object)));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(E_POINTER,
              CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, nullptr));
}

TEST_F(CreateTest, NeedsCoInitializeOnTheCallingThread) {
    m_registry.write(registryFor(FAKE_CONTROL_MODULE_PATH));
    HRESULT uninitialised = S_OK;
    HRESULT initialised = E_FAIL;
    std::thread other([&] {
        IUnknown* object = nullptr;
        uninitialised = CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                         reinterpret_cast<void**>(&object));
        EXPECT_EQ(S_OK, CoInitialize(nullptr));
        EXPECT_EQ(S_FALSE, CoInitialize(nullptr)) << "a second initialisation is counted";
        CoUninitialize();
        initialised = CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                       reinterpret_cast<void**>(&object));
        if (object != nullptr)
            object->Release();
        CoUninitialize();
        CoUninitialize();  // one too many: harmless
        object = nullptr;
        EXPECT_EQ(CO_E_NOTINITIALIZED, CoCreateInstance(CLSID_ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER,
                                                        IID_IUnknown, reinterpret_cast<void**>(&object)));
    });
    other.join();
    EXPECT_EQ(CO_E_NOTINITIALIZED, uninitialised);
    EXPECT_EQ(S_OK, initialised);
}

}  // namespace
