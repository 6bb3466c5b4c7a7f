// CMoviePlayer: one hosted control and everything kept about it. The
// operations are split by concern over movie_player_*.cpp.
#pragma once

#include "control_site.h"
#include "dirty_record.h"
#include "event_sink.h"
#include "private_surface.h"

#include "moviehost/flash_contract.h"
#include "moviehost/movie_player.h"
#include "platform/ole.h"
#include "platform/wide.h"

#include <memory>
#include <vector>

namespace moviehost {

class CMoviePlayer final : public IMoviePlayer {
public:
    // Builds a player whose control comes from `library`'s DllGetClassObject,
    // or from the registered server when `library` is null. When the control
    // cannot be created the player comes back without one (Control() is null)
    // and every operation gives its neutral result; the loader discards such
    // players. A failure while applying the default settings raises
    // _com_error after the partly built player has been torn down.
    [[nodiscard]] static std::unique_ptr<CMoviePlayer> Create(HMODULE library, LONG width, LONG height);

    // Teardown: surfaces, then the control's interfaces, the events, closing
    // the control, and the site, in that order.
#ifdef _WIN32
    ~CMoviePlayer();
    void* DeletingDestructor(unsigned int flags) override;
#else
    ~CMoviePlayer() override;
#endif

    CMoviePlayer(const CMoviePlayer&) = delete;
    CMoviePlayer& operator=(const CMoviePlayer&) = delete;

    // Properties (movie_player_properties.cpp)
    void SetUserValue(LONG value) override;
    LONG GetUserValue() override;
    LONG QueryPlayState() override;
    LONG QueryQuality() override;
    void ApplyQuality(LONG index) override;
    LONG QueryTransparency() override;
    void ApplyTransparency(LONG mode) override;
    bool OpenMovie(LPCWSTR location) override;
    LONG QueryBackColor() override;
    void ApplyBackColor(LONG color) override;
    void PlayTarget(LPCWSTR target) override;
    void PlayMovie() override;
    void HaltTarget(LPCWSTR target) override;
    void HaltMovie() override;
    void RewindMovie() override;
    void NextFrame() override;
    void PreviousFrame() override;
    LONG QueryTargetFrame(LPCWSTR target) override;
    LONG QueryFrame() override;
    void JumpToTargetFrame(LONG frame, LPCWSTR target) override;
    void JumpToFrame(LONG frame) override;
    void CallTargetFrame(LONG frame, LPCWSTR target) override;
    // Scripting (movie_player_scripting.cpp)
    LPCWSTR QueryTargetLabel(LPCWSTR target) override;
    void JumpToTargetLabel(LPCWSTR label, LPCWSTR target) override;
    void CallTargetLabel(LPCWSTR label, LPCWSTR target) override;
    LPCWSTR ReadVariable(LPCWSTR name) override;
    void WriteVariable(LPCWSTR name, LPCWSTR value) override;
    LPCWSTR ReadTargetProperty(LONG property, LPCWSTR target) override;
    double ReadTargetNumber(LONG property, LPCWSTR target) override;
    void WriteTargetNumber(LONG property, double value, LPCWSTR target) override;
    void WriteTargetProperty(LONG property, LPCWSTR value, LPCWSTR target) override;
    // Drawing (movie_player_drawing.cpp) and dirty regions
    // (movie_player_dirty_regions.cpp)
    void ResizeSurface(LONG width, LONG height) override;
    bool CollectDirtyRects(const RECT** bounds, const RECT** first, LONG* count) override;
    void DrawDirtyRegion(HDC hdc) override;
    // Input (movie_player_input.cpp)
    HRESULT MoveMouse(LONG x, LONG y) override;
    HRESULT ChangeMouseButton(LONG x, LONG y, LONG button, bool down) override;
    HRESULT TurnMouseWheel(LONG delta) override;
    HRESULT ChangeKey(bool down, DWORD keyCode, DWORD keyData) override;
    HRESULT TypeChar(DWORD charCode, DWORD keyData) override;
    // Listeners (movie_player_listeners.cpp) and scripting
    void NoOperation(DWORD value) override;
    LPCWSTR InvokeMovieFunction(LPCWSTR request) override;
    void AnswerMovieCall(LPCWSTR value) override;
    void AddListener(IMovieListener* listener) override;
    void RemoveListener(IMovieListener* listener) override;
    IMovieListener* ListenerAt(DWORD index) override;
    LONG ListenerCount() override;

    // For the control site: null means the whole surface.
    void AddDirtyRect(const RECT* rect);

    [[nodiscard]] LONG Width() const noexcept { return m_width; }
    [[nodiscard]] LONG Height() const noexcept { return m_height; }
    [[nodiscard]] IShockwaveFlash* Control() const noexcept { return m_control.get(); }
    [[nodiscard]] IOleObject* OleObject() const noexcept { return m_oleObject.get(); }
    [[nodiscard]] IOleInPlaceObjectWindowless* Windowless() const noexcept { return m_windowless.get(); }
    [[nodiscard]] CControlSite& Site() noexcept { return m_site; }
    [[nodiscard]] CEventSink& EventSink() noexcept { return m_eventSink; }
    [[nodiscard]] const DirtyRecord& Dirty() const noexcept { return m_dirty; }
    [[nodiscard]] const PrivateSurface& BlackSurface() const noexcept { return m_black; }
    [[nodiscard]] const PrivateSurface& WhiteSurface() const noexcept { return m_white; }
    [[nodiscard]] DWORD MouseButtons() const noexcept { return m_mouseButtons; }
    [[nodiscard]] POINT LastMousePosition() const noexcept { return m_mouse; }

private:
    CMoviePlayer(LONG width, LONG height) noexcept;

    // Construction steps after the fields are set (movie_player_construction.cpp).
    void Initialize(HMODULE library);
    [[nodiscard]] HRESULT CreateControl(HMODULE library);

    // Drawing helpers.
    void DrawOpaque(HDC hdc, HRGN region, IViewObject* view);
    void DrawWithAlpha(HDC hdc, HRGN region, const RECT& box, IViewObject* view);
    [[nodiscard]] bool EnsurePrivateSurfaces(HDC reference);
    void ReleasePrivateSurfaces() noexcept;

    // Input helpers.
    [[nodiscard]] WPARAM MouseKeyState(DWORD extra) const;
    HRESULT SendToControl(UINT message, WPARAM wParam, LPARAM lParam);

    // Copies a control string into the result string and returns it.
    LPCWSTR KeepResult(BSTR value);

    LONG m_width = 0;
    LONG m_height = 0;
    LONG m_transparency = 0;
    platform::ComPtr<IShockwaveFlash> m_control;
    CControlSite m_site{this};
    CEventSink m_eventSink;
    platform::ComPtr<IOleObject> m_oleObject;
    platform::ComPtr<IOleInPlaceObjectWindowless> m_windowless;
    DirtyRecord m_dirty;
    LONG m_userValue = 0;
    POINT m_mouse = {0, 0};
    DWORD m_mouseButtons = 0;
    platform::WideString m_result;
    std::vector<IMovieListener*> m_listeners;
    PrivateSurface m_black;
    PrivateSurface m_white;
};

}  // namespace moviehost
