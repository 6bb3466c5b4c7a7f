// The embedding application's side of the movie's outgoing calls.
#pragma once

#include "platform/types.h"

// Implemented by the embedding application and registered with
// IMoviePlayer::AddListener. A plain table of operations, not a COM interface:
// the player neither owns nor counts references to its listeners.
//
// Strings arrive as pointers into the control's own strings, valid only during
// the call; an empty string may arrive as a null pointer. Answering E_NOTIMPL
// passes the event on to the next listener; any other result ends delivery
// and becomes the answer to the control.
class IMovieListener {
public:
    virtual HRESULT OnFlashCall(LPCWSTR request) = 0;                // slot 0
    virtual HRESULT OnFSCommand(LPCWSTR command, LPCWSTR args) = 0;  // slot 1

protected:
    // Never deleted through this interface; the application owns its listeners.
    ~IMovieListener() = default;
};
