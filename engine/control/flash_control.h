// Our Shockwave Flash control: one COM object that plays a movie file, runs
// its scripts and draws it into its container's device contexts, windowless.
//
// Interfaces (one identity): IOleObject, IOleInPlaceObjectWindowless (and its
// bases IOleInPlaceObject, IOleWindow), IViewObject, IConnectionPointContainer
// with one point for _IShockwaveFlashEvents, ISupportErrorInfo, and the
// scripting interface IShockwaveFlash (with IDispatch), and our own
// IMovieSoundOutput through which a host takes the mixed sound.
//
// Life of a control in a windowless container:
//   SetClientSite(site)                   the site to talk back to
//   DoVerb(OLEIVERB_INPLACEACTIVATE)      asks the site: CanInPlaceActivate,
//                                         CanWindowlessActivate, then
//                                         OnInPlaceActivateEx(ACTIVATE_WINDOWLESS)
//                                         and GetWindowContext for its rectangles
//   put_Movie(path or file URL)           loads, shows frame 0, plays, and
//                                         invalidates everything; frame 0's
//                                         scripts run at the next step
//   put_Movie(http or https URL)          returns at once; the movie is
//                                         fetched in the background and
//                                         shown as above at the first tick
//                                         after it is in
//   thread timer at the movie's rate      the script engine's tick: the stage
//                                         advances and its scripts run; the
//                                         changed areas reach the site's
//                                         InvalidateRect in pixels
//   OnWindowMessage(mouse, keys)          buttons, clip and listener events
//   scripting members                     variables, properties, frame calls,
//                                         the call exchange (CallFunction)
//   fscommand, ExternalInterface.call     the FSCommand and FlashCall events
//   IViewObject::Draw(hdc, bounds)        renders into the DIB section behind hdc
//   Close(...)                            stops the clock, deactivates, drops
//                                         the site and the event sinks; the
//                                         movie and its scripts stay loaded
// Frame numbers count from 0. Every failure sets the thread's error object;
// a script stopped by the engine's limits sets it too, and the member that
// ran the script fails.
//
// Each movie has its own script engine (and ScriptHost), made after its
// stage and destroyed before it. Containers may call any member from inside
// an event the scripts raise; a movie replaced from there is only retired,
// and goes once the outermost call into the engine has returned.
//
// The members are spread over files by concern: flash_control.cpp (identity,
// error support, dispatch), ole_object.cpp, in_place_object.cpp,
// window_messages.cpp, view_object.cpp, flash_movie.cpp (loading, the
// engine's lifetime and the clock), flash_navigation.cpp, flash_display.cpp,
// flash_settings.cpp, flash_scripting.cpp, flash_unused.cpp.
//
// Single-threaded apartment: every call comes on the thread that created the
// control; nothing is locked.
#pragma once

#include "control/event_connection_point.h"
#include "control/key_translator.h"
#include "control/module_lock.h"
#include "control/movie_sound.h"
#include "control/playback_timer.h"
#include "control/quality_setting.h"
#include "control/remote_movie.h"
#include "control/script_host.h"
#include "control/script_timer.h"

#include "as3/player.h"
#include "model/stage.h"
#include "render/renderer.h"
#include "script/engine.h"

#include "moviehost/flash_contract.h"
#include "platform/ole.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace control {

class FlashControl final : public IOleObject,
                           public IOleInPlaceObjectWindowless,
                           public IViewObject,
                           public IConnectionPointContainer,
                           public ISupportErrorInfo,
                           public IShockwaveFlash,
                           public IMovieSoundOutput {
public:
    // A new control answering `riid`, with the caller's one reference.
    static HRESULT create(REFIID riid, void** ppv) noexcept;

    // Version reported by FlashVersion: 10.0 in 16.16 fixed point.
    static constexpr LONG kFlashVersion = 0x000A0000;
    // BackgroundColor reads this while no movie and no colour of our own is set.
    static constexpr COLORREF DefaultBackground = 0x00FFFFFF;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* pClientSite) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** ppClientSite) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD dwSaveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD dwReserved, IDataObject** ppDataObject) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                                     LPCRECT lprcPosRect) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) override;
    HRESULT STDMETHODCALLTYPE Update() override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* pClsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwConnection) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** ppenumAdvise) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* pLogpal) override;

    // IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL fEnterMode) override;
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget** ppDropTarget) override;

    // IViewObject
    HRESULT STDMETHODCALLTYPE Draw(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd,
                                   HDC hdcTargetDev, HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
                                   BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR dwContinue),
                                   ULONG_PTR dwContinue) override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd,
                                          HDC hicTargetDev, LOGPALETTE** ppColorSet) override;
    HRESULT STDMETHODCALLTYPE Freeze(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DWORD* pdwFreeze) override;
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD dwFreeze) override;
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

    // ISupportErrorInfo: S_OK for IShockwaveFlash, S_FALSE otherwise.
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

    // IDispatch (of IShockwaveFlash): no type information; members are
    // reached through the interface's table, not by name.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IShockwaveFlash: the movie (flash_movie.cpp)
    HRESULT STDMETHODCALLTYPE get_ReadyState(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_TotalFrames(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Movie(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Movie(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE LoadMovie(INT layer, BSTR url) override;
    HRESULT STDMETHODCALLTYPE PercentLoaded(LONG* percent) override;
    HRESULT STDMETHODCALLTYPE FrameLoaded(LONG FrameNum, VARIANT_BOOL* loaded) override;
    HRESULT STDMETHODCALLTYPE FlashVersion(LONG* version) override;

    // IShockwaveFlash: playback and navigation (flash_navigation.cpp)
    HRESULT STDMETHODCALLTYPE get_Playing(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Playing(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_Loop(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Loop(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_FrameNum(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE put_FrameNum(LONG pVal) override;
    HRESULT STDMETHODCALLTYPE Play() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Back() override;
    HRESULT STDMETHODCALLTYPE Forward() override;
    HRESULT STDMETHODCALLTYPE Rewind() override;
    HRESULT STDMETHODCALLTYPE StopPlay() override;
    HRESULT STDMETHODCALLTYPE GotoFrame(LONG FrameNum) override;
    HRESULT STDMETHODCALLTYPE CurrentFrame(LONG* FrameNum) override;
    HRESULT STDMETHODCALLTYPE IsPlaying(VARIANT_BOOL* Playing) override;
    HRESULT STDMETHODCALLTYPE TGotoFrame(BSTR target, LONG FrameNum) override;
    HRESULT STDMETHODCALLTYPE TGotoLabel(BSTR target, BSTR label) override;
    HRESULT STDMETHODCALLTYPE TCurrentFrame(BSTR target, LONG* FrameNum) override;
    HRESULT STDMETHODCALLTYPE TCurrentLabel(BSTR target, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE TPlay(BSTR target) override;
    HRESULT STDMETHODCALLTYPE TStopPlay(BSTR target) override;

    // IShockwaveFlash: display (flash_display.cpp)
    HRESULT STDMETHODCALLTYPE get_Quality(INT* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Quality(INT pVal) override;
    HRESULT STDMETHODCALLTYPE get_Quality2(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Quality2(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_WMode(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_WMode(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_BackgroundColor(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE put_BackgroundColor(LONG pVal) override;

    // IShockwaveFlash: settings kept for the host (flash_settings.cpp)
    HRESULT STDMETHODCALLTYPE get_EmbedMovie(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_EmbedMovie(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_AllowScriptAccess(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_AllowScriptAccess(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE DisableLocalSecurity() override;
    HRESULT STDMETHODCALLTYPE EnforceLocalSecurity() override;

    // IShockwaveFlash: the script level (flash_scripting.cpp)
    HRESULT STDMETHODCALLTYPE SetVariable(BSTR name, BSTR value) override;
    HRESULT STDMETHODCALLTYPE GetVariable(BSTR name, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE TSetProperty(BSTR target, INT property, BSTR value) override;
    HRESULT STDMETHODCALLTYPE TGetProperty(BSTR target, INT property, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE TCallFrame(BSTR target, INT FrameNum) override;
    HRESULT STDMETHODCALLTYPE TCallLabel(BSTR target, BSTR label) override;
    HRESULT STDMETHODCALLTYPE TSetPropertyNum(BSTR target, INT property, DOUBLE value) override;
    HRESULT STDMETHODCALLTYPE TGetPropertyNum(BSTR target, INT property, DOUBLE* pVal) override;
    HRESULT STDMETHODCALLTYPE TGetPropertyAsNumber(BSTR target, INT property, DOUBLE* pVal) override;
    HRESULT STDMETHODCALLTYPE CallFunction(BSTR request, BSTR* response) override;
    HRESULT STDMETHODCALLTYPE SetReturnValue(BSTR returnValue) override;

    // IShockwaveFlash: members we do not offer (flash_unused.cpp)
    HRESULT STDMETHODCALLTYPE get_ScaleMode(INT* pVal) override;
    HRESULT STDMETHODCALLTYPE put_ScaleMode(INT pVal) override;
    HRESULT STDMETHODCALLTYPE get_AlignMode(INT* pVal) override;
    HRESULT STDMETHODCALLTYPE put_AlignMode(INT pVal) override;
    HRESULT STDMETHODCALLTYPE SetZoomRect(LONG left, LONG top, LONG right, LONG bottom) override;
    HRESULT STDMETHODCALLTYPE Zoom(INT factor) override;
    HRESULT STDMETHODCALLTYPE Pan(LONG x, LONG y, INT mode) override;
    HRESULT STDMETHODCALLTYPE get_SAlign(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_SAlign(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_Menu(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Menu(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_Base(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Base(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_Scale(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Scale(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_DeviceFont(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_DeviceFont(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_BGColor(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_BGColor(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_SWRemote(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_SWRemote(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_FlashVars(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_FlashVars(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_MovieData(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_MovieData(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_InlineData(IUnknown** ppIUnknown) override;
    HRESULT STDMETHODCALLTYPE put_InlineData(IUnknown* ppIUnknown) override;
    HRESULT STDMETHODCALLTYPE get_SeamlessTabbing(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_SeamlessTabbing(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_Profile(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Profile(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_ProfileAddress(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_ProfileAddress(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_ProfilePort(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE put_ProfilePort(LONG pVal) override;
    HRESULT STDMETHODCALLTYPE get_AllowNetworking(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_AllowNetworking(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_AllowFullScreen(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_AllowFullScreen(BSTR pVal) override;

    // IMovieSoundOutput (flash_sound.cpp)
    HRESULT STDMETHODCALLTYPE StartSoundOutput() override;
    HRESULT STDMETHODCALLTYPE ReadSound(SHORT* samples, ULONG maxFrames, ULONG* framesRead) override;

    // The event point, for the script layer that raises FSCommand and FlashCall.
    [[nodiscard]] EventConnectionPoint& events() noexcept { return m_events; }

private:
    FlashControl();
    ~FlashControl();

    // Holds a reference while the control calls out (a callee may release it).
    class KeepAlive {
    public:
        explicit KeepAlive(FlashControl& control) noexcept : m_control(control) { m_control.AddRef(); }
        ~KeepAlive() { m_control.Release(); }
        KeepAlive(const KeepAlive&) = delete;
        KeepAlive& operator=(const KeepAlive&) = delete;

    private:
        FlashControl& m_control;
    };

    // Held around every call into the script engine: the control stays
    // alive, and movies retired meanwhile go when the outermost scope ends.
    class EngineScope {
    public:
        explicit EngineScope(FlashControl& control) noexcept : m_control(control), m_alive(control) {
            ++m_control.m_engineDepth;
        }
        ~EngineScope();
        EngineScope(const EngineScope&) = delete;
        EngineScope& operator=(const EngineScope&) = delete;

    private:
        FlashControl& m_control;
        KeepAlive m_alive;
    };

    // A movie replaced while its engine was running; members in the order
    // that destroys the engine first.
    struct RetiredMovie {
        std::unique_ptr<MovieSound> sound;
        std::unique_ptr<model::Stage> stage;
        std::unique_ptr<ScriptHost> host;
        std::unique_ptr<script::Engine> engine;
        std::unique_ptr<as3::Player> player;
    };

    // ole_object.cpp / in_place_object.cpp
    HRESULT activateInPlace(IOleClientSite* site);
    void deactivateInPlace();
    // Focus taken or lost: ActionScript 3's activate or deactivate.
    void setFocused(bool focused);
    // Quality set by the container, or by a script (in the scripts' names).
    void setQuality(QualityLevel level);
    void takeScriptQuality(std::u16string_view name);

    // flash_movie.cpp
    HRESULT loadMovie(std::u16string_view location);
    // The parsed movie replaces the current one (from a file, or the network).
    HRESULT showMovie(std::u16string_view location, std::shared_ptr<const swf::Movie> movie);
    // A network root that is in is shown; one that failed leaves its error.
    void pollRemoteMovie();
    // Lets go of the current movie: at once, or after the engine's outermost
    // call when it is running.
    void retireMovie() noexcept;
    // One frame of the clock.
    void onTick();
    // The movie's setInterval / setTimeout timers that are due, between
    // frames; armScriptTimer sets the clock for the next of them.
    void onScriptTimer();
    void armScriptTimer();
    // After every change of the stage: scripts run, then what changed is
    // invalidated in pixels.
    void publishChanges();
    // The whole object (a new movie, new rectangles, a new quality).
    void invalidateAll();

    // flash_display.cpp
    [[nodiscard]] COLORREF backgroundColor() const;
    void applyBackground();

    // flash_navigation.cpp: the clip a target names, or a failure text.
    model::MovieClip* resolveTarget(BSTR target, std::u16string_view member, HRESULT& failure);

    // flash_scripting.cpp: the actions the last operation queued.
    void runPendingActions();
    // Runs `work` on the engine (there must be one), then the actions it
    // queued, and invalidates. S_OK, or the failure of a script the work
    // ran, with the error object set again (calls made while it ran may
    // have replaced it).
    HRESULT runScript(std::u16string_view member, const std::function<void(script::Engine&)>& work);
    [[nodiscard]] bool targetExists(std::u16string_view target);
    // runScript for work on one target that answers false when it found
    // nothing to do there: an unknown target, or else what `lacking` names
    // (the property, frame or label the target does not have), fails with
    // E_INVALIDARG.
    HRESULT runOnTarget(std::u16string_view name, BSTR target,
                        const std::function<bool(script::Engine&, std::u16string_view)>& work,
                        const std::function<std::u16string()>& lacking);

    // window_messages.cpp: true when the message was handled.
    bool handleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void handlePointer(UINT msg, WPARAM wParam, LPARAM lParam);
    void handleKey(UINT msg, WPARAM wParam);
    // The rectangle the stage is shown in, in the coordinates of mouse
    // messages.
    [[nodiscard]] RECT shownBounds() const;
    // flash_stage_layout.cpp: the stage's layout from the control's scale
    // mode and alignment and the shown bounds (what scripts changed kept).
    void syncLayout();

    std::atomic<ULONG> m_refs{0};
    ModuleReference m_moduleReference;

    platform::ComPtr<IOleClientSite> m_clientSite;
    platform::ComPtr<IOleInPlaceSiteWindowless> m_inPlaceSite;  // set while in-place active
    RECT m_position{0, 0, 0, 0};                                // where the container shows us, pixels
    RECT m_clip{0, 0, 0, 0};
    SIZEL m_extent{0, 0};

    std::u16string m_movieLocation;  // as given to put_Movie
    // The container's name for this object (SetHostNames), which scripts
    // read as ExternalInterface.objectID.
    std::optional<std::u16string> m_objectName;
    RECT m_lastDrawBounds{0, 0, 0, 0};
    model::StageLayout m_layout;  // ScaleMode, AlignMode and the surface, for each movie
    // Declared so that the engine goes before its host and the stage, and
    // the stage before the sound it plays into.
    std::unique_ptr<MovieSound> m_sound;
    std::unique_ptr<model::Stage> m_stage;
    std::unique_ptr<ScriptHost> m_scriptHost;
    std::unique_ptr<RemoteMovie> m_remoteMovie;  // a network root on its way
    std::unique_ptr<script::Engine> m_engine;
    // An ActionScript 3 movie's machine; m_engine then runs no script (it
    // only drains the stage's queue), the player runs the frames.
    std::unique_ptr<as3::Player> m_player;
    int m_engineDepth = 0;
    // A new movie's first frame is shown but its scripts have not run: they
    // run at the next step, after a container's Play or GotoFrame right
    // after loading (as a player shows the first frame only once the
    // container has set it going), and before scripting calls and input.
    bool m_firstFrameDue = false;
    // The control has the keyboard focus: the site said so on activation,
    // or WM_SETFOCUS came and no WM_KILLFOCUS since.
    bool m_focused = false;
    std::vector<RetiredMovie> m_retired;
    KeyTranslator m_keys;
    int32_t m_wheelRest = 0;
    render::Renderer m_renderer;
    PlaybackTimer m_timer{[this] { onTick(); }};
    ScriptTimer m_scriptTimer{[this] { onScriptTimer(); }};
    EventConnectionPoint m_events{*this};

    QualityLevel m_quality = QualityLevel::High;
    std::u16string m_windowMode = u"Window";
    std::optional<COLORREF> m_backgroundOverride;
    bool m_loop = true;
    bool m_embedMovie = false;
    std::u16string m_allowScriptAccess = u"sameDomain";
    bool m_localSecurityDisabled = false;
    bool m_soundOutput = false;  // StartSoundOutput was called: every movie keeps its sound for ReadSound
};

}  // namespace control
