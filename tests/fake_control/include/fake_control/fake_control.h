// A fake Shockwave Flash control for tests: a COM object with every interface
// the host calls on the control (IOleObject, IShockwaveFlash, IOleInPlaceObject,
// IOleInPlaceObjectWindowless, IViewObject, IConnectionPointContainer with one
// connection point for _IShockwaveFlashEvents, ISupportErrorInfo). It records
// each call with its arguments, answers with programmable result codes, keeps
// the properties it is given, and on request invalidates through its site or
// raises events through the advised sink.
//
// Two builds:
//   fake_control         static library; create objects with `FakeControl fake;`
//                        and program them through this class.
//   fake_control_module  in-process server exporting DllGetClassObject (class
//                        CLSID_ShockwaveFlash), for tests that run the real host.
//                        Link it into a test as well to reach the objects the
//                        host creates (FakeControl::set_creation_hook).
//
// Environment variables, read by every object the class factory creates:
//   FAKE_CONTROL_LOG=<file>            append one line per call, as log() renders it
//   FAKE_CONTROL_FAIL=<method>=<hresult>,...
//                                      answer these methods with these codes
//                                      (hex 0x80004005 or decimal); the pseudo
//                                      methods DllGetClassObject and CreateInstance
//                                      make creation itself fail
//   FAKE_CONTROL_LACK=<interface>,...  refuse QueryInterface for IViewObject,
//                                      IOleInPlaceObject, IOleInPlaceObjectWindowless,
//                                      IConnectionPointContainer, ISupportErrorInfo
//   FAKE_CONTROL_INVALIDATE=<method>,...
//                                      after each call of these methods, invalidate
//                                      the whole control: InvalidateRect(null, TRUE)
//                                      on the site
//   FAKE_CONTROL_ECHO=<method>,...     after each call of these methods, fire the
//                                      events FSCommand("<method>", "echo") and
//                                      FlashCall("<method>")
//
// How calls are rendered in the log: `Method(arg, arg, ...)`. Strings are quoted
// ("High"; a null BSTR is null; a zero character shows as \0), integers are
// decimal, VARIANT_BOOL is its number (-1 or 0), rectangles are {l,t,r,b},
// window messages and their parameters are hex (0x201), interface pointers are
// ptr or null, IIDs are interface names. AddRef and Release are counted, not
// logged; QueryInterface is logged as QueryInterface(IViewObject).
//
// The picture drawn by IViewObject::Draw into the 32-bit DIB section selected
// into the device context, touching only pixels inside the bounds rectangle,
// the bitmap and the context's clip region. Let (u, v) be the pixel position
// relative to the bounds' top-left corner and n the number of Draw calls so far
// including this one. The source colour is blue = u & 255, green = v & 255,
// red = n & 255.
//   DVASPECT_CONTENT, DVASPECT_OPAQUE: every pixel gets the source colour; the
//       fourth byte becomes 0.
//   DVASPECT_TRANSPARENT: coverage a depends on the column: (u / 4) % 3 == 0 is
//       covered (a = 255), == 1 uncovered (a = 0, the pixel is untouched), == 2
//       half covered (a = 128). Each colour byte becomes
//       (source * a + old * (255 - a)) / 255; the fourth byte is untouched.
#pragma once

#include "moviehost/flash_contract.h"
#include "platform/com.h"
#include "platform/ole.h"
#include "platform/oleauto.h"
#include "platform/wide.h"

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fake_control {

class ControlObject;

// Interfaces the fake can be told to lack.
enum class Interface {
    ViewObject,
    InPlaceObject,
    InPlaceObjectWindowless,
    ConnectionPointContainer,
    SupportErrorInfo,
};

struct Call {
    std::string method;
    std::string args;  // rendered as described above, comma separated

    [[nodiscard]] std::string text() const { return method + "(" + args + ")"; }
    bool operator==(const Call&) const = default;
};

// What the control holds. Properties written through IShockwaveFlash land here
// and reads answer from here, so tests can both check and script them.
struct State {
    platform::WideString movie;
    platform::WideString wmode = WIDE("Window");
    platform::WideString quality2 = WIDE("High");
    platform::WideString allowScriptAccess = WIDE("sameDomain");
    platform::WideString allowNetworking = WIDE("all");
    platform::WideString allowFullScreen = WIDE("false");
    platform::WideString salign;
    platform::WideString base;
    platform::WideString scale = WIDE("ShowAll");
    platform::WideString bgcolor;
    platform::WideString flashVars;
    LONG backgroundColor = 0xFFFFFF;
    INT quality = 1;
    INT scaleMode = 0;
    INT alignMode = 0;
    VARIANT_BOOL playing = VARIANT_FALSE;
    VARIANT_BOOL loop = VARIANT_TRUE;
    VARIANT_BOOL menu = VARIANT_TRUE;
    VARIANT_BOOL embedMovie = VARIANT_FALSE;
    VARIANT_BOOL deviceFont = VARIANT_FALSE;
    VARIANT_BOOL seamlessTabbing = VARIANT_TRUE;
    bool localSecurityDisabled = false;
    LONG frame = 0;
    LONG totalFrames = 1;
    LONG readyState = 4;
    LONG percentLoaded = 100;
    LONG flashVersion = 10 << 16;

    // Scripting: per target path, variables, timeline properties (numbers are
    // kept as text: TSetPropertyNum(t, 2, 50) reads back as "50").
    std::map<platform::WideString, LONG> targetFrames;
    std::map<platform::WideString, platform::WideString> targetLabels;
    std::map<platform::WideString, bool> targetPlaying;
    std::map<platform::WideString, platform::WideString> variables;
    std::map<std::pair<platform::WideString, INT>, platform::WideString> targetProperties;
    // CallFunction answers with the response stored for its request; with none
    // it succeeds and gives no response (null).
    std::map<platform::WideString, platform::WideString> callResponses;
    platform::WideString returnValue;  // the last SetReturnValue

    // OLE state.
    bool inPlaceActive = false;
    bool windowless = false;
    bool closed = false;
    RECT position = {0, 0, 0, 0};  // from SetObjectRects
    RECT clip = {0, 0, 0, 0};
    RECT windowContextPosition = {0, 0, 0, 0};  // what the site's GetWindowContext wrote
    RECT windowContextClip = {0, 0, 0, 0};
    SIZEL extent = {0, 0};
    unsigned drawCount = 0;
};

class FakeControl {
public:
    // A new control; this handle holds one reference to it.
    FakeControl();
    // Another handle to the same control (one more reference).
    FakeControl(const FakeControl& other);
    FakeControl& operator=(const FakeControl& other);
    ~FakeControl();

    // Borrowed interface pointers (no reference added).
    [[nodiscard]] IUnknown* unknown() const noexcept;
    [[nodiscard]] IOleObject* oleObject() const noexcept;
    [[nodiscard]] IShockwaveFlash* flash() const noexcept;

    // References held on the control, this handle's included, and how many
    // AddRef and Release calls it has seen since it was created.
    [[nodiscard]] ULONG refCount() const noexcept;
    [[nodiscard]] ULONG addRefCalls() const noexcept;
    [[nodiscard]] ULONG releaseCalls() const noexcept;

    // QueryInterface refuses the interface from now on (E_NOINTERFACE).
    void lack(Interface which);

    // The method (by its name as logged, e.g. "put_Movie", "Draw") answers `hr`
    // from now on. A failure code means the call has no effect and writes no
    // output; with a description the fake also sets the thread's error object
    // (source "ShockwaveFlash.ShockwaveFlash", GUID IID_IShockwaveFlash) before
    // it returns. A success code is returned instead of S_OK after the call has
    // taken effect.
    void setResult(std::string_view method, HRESULT hr, platform::WideString description = {});
    // The method succeeds without writing its out-parameters.
    void skipOutput(std::string_view method);
    void clearResults();

    // Runs `action` whenever the method is called, after the call has taken
    // effect (or been refused) and before it returns: re-entrant callbacks
    // from inside a call, such as an invalidation during DoVerb.
    void onCall(std::string_view method, std::function<void()> action);

    [[nodiscard]] std::vector<Call> calls() const;
    // Every call as text, in order; or only the calls of the named methods.
    [[nodiscard]] std::vector<std::string> log() const;
    [[nodiscard]] std::vector<std::string> log(std::initializer_list<std::string_view> only) const;
    void clearLog();

    [[nodiscard]] State& state() noexcept;
    [[nodiscard]] const State& state() const noexcept;

    // The client site given by SetClientSite (borrowed), or null.
    [[nodiscard]] IOleClientSite* clientSite() const noexcept;

    // Invalidations through the site's IOleInPlaceSiteWindowless, found by
    // QueryInterface on the client site. E_UNEXPECTED without a site,
    // E_NOINTERFACE when the site is not windowless; else the site's answer.
    HRESULT invalidateRect(const RECT* rect, BOOL erase = TRUE);
    HRESULT invalidateRgn(HRGN region, BOOL erase = TRUE);

    // Events through every advised sink's IDispatch::Invoke (DISPATCH_METHOD,
    // arguments stored last to first). The result is the last sink's answer,
    // or CONNECT_E_NOCONNECTION when nothing is advised.
    HRESULT fireFsCommand(const WCHAR* command, const WCHAR* args);
    HRESULT fireFlashCall(const WCHAR* request);
    HRESULT fireEvent(DISPID id, std::vector<VARIANTARG>& argsLastToFirst);
    [[nodiscard]] std::size_t sinkCount() const;

    // Called with each control that the class factory creates (in this module),
    // before the creator sees it. Empty function to stop.
    static void setCreationHook(std::function<void(FakeControl&)> hook);

    // What the module's DllGetClassObject does: a class factory for
    // CLSID_ShockwaveFlash, or CLASS_E_CLASSNOTAVAILABLE.
    static HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** ppv);

    // Wraps an object of this fake (takes a reference).
    explicit FakeControl(ControlObject* object);
    [[nodiscard]] ControlObject& object() const noexcept { return *m_object; }

private:
    ControlObject* m_object = nullptr;
};

// Applies the FAKE_CONTROL_* environment variables (other than the creation
// failures) to a control. The class factory calls it for every new object.
void applyEnvironment(FakeControl& control);

}  // namespace fake_control
