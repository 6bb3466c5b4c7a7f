// One hosted movie control: playback, drawing, input and scripting.
#pragma once

#include "moviehost/movie_listener.h"
#include "platform/types.h"

// The slot order of this table is the binary interface that embedding
// applications compile against: one declaration per operation, no overloads,
// no data members, the destructor last. Never reorder or insert.
//
// Every operation must be called on the thread that created the player.
// Returned strings point into the player's one result string and stay valid
// until the next operation that writes it (QueryTargetLabel, ReadVariable,
// ReadTargetProperty, InvokeMovieFunction) or the player's destruction.
// Operations that call the control raise _com_error when the control fails,
// except OpenMovie (returns false), InvokeMovieFunction (ignores the code),
// the input operations (return the code) and drawing (reports nothing).
class IMoviePlayer {
public:
    virtual void SetUserValue(LONG value) = 0;                              // slot 0
    virtual LONG GetUserValue() = 0;                                        // slot 1
    virtual LONG QueryPlayState() = 0;                                      // slot 2: 0 no control, 1 playing, 2 not
    virtual LONG QueryQuality() = 0;                                        // slot 3: 0..5
    virtual void ApplyQuality(LONG index) = 0;                              // slot 4
    virtual LONG QueryTransparency() = 0;                                   // slot 5
    virtual void ApplyTransparency(LONG mode) = 0;                          // slot 6
    virtual bool OpenMovie(LPCWSTR location) = 0;                           // slot 7
    virtual LONG QueryBackColor() = 0;                                      // slot 8
    virtual void ApplyBackColor(LONG color) = 0;                            // slot 9
    virtual void PlayTarget(LPCWSTR target) = 0;                            // slot 10
    virtual void PlayMovie() = 0;                                           // slot 11
    virtual void HaltTarget(LPCWSTR target) = 0;                            // slot 12
    virtual void HaltMovie() = 0;                                           // slot 13
    virtual void RewindMovie() = 0;                                         // slot 14
    virtual void NextFrame() = 0;                                           // slot 15
    virtual void PreviousFrame() = 0;                                       // slot 16
    virtual LONG QueryTargetFrame(LPCWSTR target) = 0;                      // slot 17
    virtual LONG QueryFrame() = 0;                                          // slot 18
    virtual void JumpToTargetFrame(LONG frame, LPCWSTR target) = 0;         // slot 19
    virtual void JumpToFrame(LONG frame) = 0;                               // slot 20
    virtual void CallTargetFrame(LONG frame, LPCWSTR target) = 0;           // slot 21
    virtual LPCWSTR QueryTargetLabel(LPCWSTR target) = 0;                   // slot 22
    virtual void JumpToTargetLabel(LPCWSTR label, LPCWSTR target) = 0;      // slot 23
    virtual void CallTargetLabel(LPCWSTR label, LPCWSTR target) = 0;        // slot 24
    virtual LPCWSTR ReadVariable(LPCWSTR name) = 0;                         // slot 25
    virtual void WriteVariable(LPCWSTR name, LPCWSTR value) = 0;            // slot 26
    virtual LPCWSTR ReadTargetProperty(LONG property, LPCWSTR target) = 0;  // slot 27
    virtual double ReadTargetNumber(LONG property, LPCWSTR target) = 0;     // slot 28
    virtual void WriteTargetNumber(LONG property, double value, LPCWSTR target) = 0;     // slot 29
    virtual void WriteTargetProperty(LONG property, LPCWSTR value, LPCWSTR target) = 0;  // slot 30
    virtual void ResizeSurface(LONG width, LONG height) = 0;                             // slot 31
    // Each out-parameter is optional. The pointers handed out stay valid until
    // the next CollectDirtyRects on this player or its destruction.
    virtual bool CollectDirtyRects(const RECT** bounds, const RECT** first, LONG* count) = 0;  // slot 32
    virtual void DrawDirtyRegion(HDC hdc) = 0;                                                 // slot 33
    virtual HRESULT MoveMouse(LONG x, LONG y) = 0;                                             // slot 34
    // button: 0 left, 1 right, 2 middle.
    virtual HRESULT ChangeMouseButton(LONG x, LONG y, LONG button, bool down) = 0;  // slot 35
    virtual HRESULT TurnMouseWheel(LONG delta) = 0;                                 // slot 36
    virtual HRESULT ChangeKey(bool down, DWORD keyCode, DWORD keyData) = 0;         // slot 37
    virtual HRESULT TypeChar(DWORD charCode, DWORD keyData) = 0;                    // slot 38
    virtual void NoOperation(DWORD value) = 0;                                      // slot 39
    virtual LPCWSTR InvokeMovieFunction(LPCWSTR request) = 0;                       // slot 40
    virtual void AnswerMovieCall(LPCWSTR value) = 0;                                // slot 41
    virtual void AddListener(IMovieListener* listener) = 0;                         // slot 42
    virtual void RemoveListener(IMovieListener* listener) = 0;                      // slot 43
    virtual IMovieListener* ListenerAt(DWORD index) = 0;                            // slot 44
    virtual LONG ListenerCount() = 0;                                               // slot 45

#ifdef _WIN32
    // Slot 46, as the platform's own compiler lays out a virtual destructor:
    // one entry that destroys the player, frees it when bit 0 of `flags` is
    // set, and returns its address. mingw-w64 would make two entries of a
    // virtual destructor, so the table names this one itself. Players are
    // destroyed only through IMovieLoader::DeletePlayer.
    virtual void* DeletingDestructor(unsigned int flags) = 0;

protected:
    ~IMoviePlayer() = default;
#else
    // Slot 46. Players are destroyed only through IMovieLoader::DeletePlayer.
    virtual ~IMoviePlayer() = default;
#endif
};
