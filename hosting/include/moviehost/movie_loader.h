// The one loader through which players are created and given back.
#pragma once

#include "moviehost/movie_player.h"
#include "platform/types.h"

// A plain table of five operations with no destructor slot: the process's one
// loader is a static object and is never deleted through this interface.
class IMovieLoader {
public:
    // Version of the registered control (major.minor as a 16.16 value turned
    // into a double); 0.0 when the control cannot be created.
    virtual double QueryControlVersion() = 0;  // slot 0
    // A new player of the given size, or null when no control could be made.
    virtual IMoviePlayer* NewPlayer(LONG width, LONG height) = 0;  // slot 1
    // Tears the player down and frees it; null does nothing.
    virtual void DeletePlayer(IMoviePlayer* player) = 0;    // slot 2
    virtual bool ReservedA(DWORD a, DWORD b, DWORD c) = 0;  // slot 3: always false
    virtual bool ReservedB(DWORD a, DWORD b) = 0;           // slot 4: always false

protected:
    ~IMovieLoader() = default;
};

// The process's loader, built during static initialisation on the thread that
// becomes the host thread.
IMovieLoader* GetMovieLoader();
