// A player and a loader that stand in for the hosting library in unit tests of
// the host's pieces: they record what the host asks and can be told to draw,
// to report changes or to raise the COM error exception.
#pragma once

#include "moviehost/movie_loader.h"
#include "moviehost/movie_player.h"

#include "platform/com_error.h"
#include "platform/gdi.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace moviehost::testing {

class FakePlayer final : public IMoviePlayer {
public:
    std::vector<std::string> calls;        // "MoveMouse(1,65535)", "PlayMovie()", ...
    std::map<std::string, HRESULT> raise;  // operation name -> code it raises
    bool dirty = false;
    std::function<void(HDC)> draw;  // what DrawDirtyRegion does

    void SetUserValue(LONG) override {}
    LONG GetUserValue() override { return 0; }
    LONG QueryPlayState() override { return 0; }
    LONG QueryQuality() override { return 0; }
    void ApplyQuality(LONG) override {}
    LONG QueryTransparency() override { return 0; }
    void ApplyTransparency(LONG) override {}
    bool OpenMovie(LPCWSTR location) override {
        record("OpenMovie(" + std::string(location ? "location" : "null") + ")");
        return true;
    }
    LONG QueryBackColor() override { return 0; }
    void ApplyBackColor(LONG) override {}
    void PlayTarget(LPCWSTR) override {}
    void PlayMovie() override { record("PlayMovie()"); }
    void HaltTarget(LPCWSTR) override {}
    void HaltMovie() override { record("HaltMovie()"); }
    void RewindMovie() override {}
    void NextFrame() override {}
    void PreviousFrame() override {}
    LONG QueryTargetFrame(LPCWSTR) override { return 0; }
    LONG QueryFrame() override { return 0; }
    void JumpToTargetFrame(LONG, LPCWSTR) override {}
    void JumpToFrame(LONG) override {}
    void CallTargetFrame(LONG, LPCWSTR) override {}
    LPCWSTR QueryTargetLabel(LPCWSTR) override { return nullptr; }
    void JumpToTargetLabel(LPCWSTR, LPCWSTR) override {}
    void CallTargetLabel(LPCWSTR, LPCWSTR) override {}
    LPCWSTR ReadVariable(LPCWSTR) override { return nullptr; }
    void WriteVariable(LPCWSTR, LPCWSTR) override {}
    LPCWSTR ReadTargetProperty(LONG, LPCWSTR) override { return nullptr; }
    double ReadTargetNumber(LONG, LPCWSTR) override { return 0.0; }
    void WriteTargetNumber(LONG, double, LPCWSTR) override {}
    void WriteTargetProperty(LONG, LPCWSTR, LPCWSTR) override {}
    void ResizeSurface(LONG, LONG) override {}
    bool CollectDirtyRects(const RECT** bounds, const RECT** first, LONG* count) override {
        record(std::string("CollectDirtyRects(") + (bounds ? "bounds" : "null") + "," + (first ? "first" : "null") +
               "," + (count ? "count" : "null") + ")");
        return dirty;
    }
    void DrawDirtyRegion(HDC hdc) override {
        record("DrawDirtyRegion()");
        if (draw)
            draw(hdc);
        dirty = false;
    }
    HRESULT MoveMouse(LONG x, LONG y) override {
        record("MoveMouse(" + std::to_string(x) + "," + std::to_string(y) + ")");
        return S_OK;
    }
    HRESULT ChangeMouseButton(LONG x, LONG y, LONG button, bool down) override {
        record("ChangeMouseButton(" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(button) + "," +
               (down ? "down" : "up") + ")");
        return S_OK;
    }
    HRESULT TurnMouseWheel(LONG) override { return S_OK; }
    HRESULT ChangeKey(bool, DWORD, DWORD) override { return S_OK; }
    HRESULT TypeChar(DWORD, DWORD) override { return S_OK; }
    void NoOperation(DWORD) override {}
    LPCWSTR InvokeMovieFunction(LPCWSTR) override { return nullptr; }
    void AnswerMovieCall(LPCWSTR) override {}
    void AddListener(IMovieListener*) override {}
    void RemoveListener(IMovieListener*) override {}
    IMovieListener* ListenerAt(DWORD) override { return nullptr; }
    LONG ListenerCount() override { return 0; }

private:
    // Logs the call, then raises if told to: the name is what precedes '('.
    void record(const std::string& call) {
        calls.push_back(call);
        const auto it = raise.find(call.substr(0, call.find('(')));
        if (it != raise.end())
            throw _com_error(it->second);
    }
};

// Hands out one FakePlayer (or none) and records what happens to it.
class FakeLoader final : public IMovieLoader {
public:
    FakePlayer* player = nullptr;  // what NewPlayer returns; not owned
    HRESULT raiseInNewPlayer = S_OK;
    std::vector<std::string> calls;

    double QueryControlVersion() override { return 0.0; }
    IMoviePlayer* NewPlayer(LONG width, LONG height) override {
        calls.push_back("NewPlayer(" + std::to_string(width) + "," + std::to_string(height) + ")");
        if (FAILED(raiseInNewPlayer))
            throw _com_error(raiseInNewPlayer);
        return player;
    }
    void DeletePlayer(IMoviePlayer* deleted) override {
        calls.push_back(std::string("DeletePlayer(") + (deleted == player ? "player" : "other") + ")");
    }
    bool ReservedA(DWORD, DWORD, DWORD) override { return false; }
    bool ReservedB(DWORD, DWORD) override { return false; }
};

}  // namespace moviehost::testing
