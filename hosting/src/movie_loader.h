// CMovieLoader: finds and loads the control library, initialises COM for the
// thread it is built on, and makes and destroys players.
#pragma once

#include "moviehost/movie_loader.h"

#include "platform/types.h"

namespace moviehost {

class CMovieLoader final : public IMovieLoader {
public:
    // Looks the library up (registry, else "flash10c.ocx" beside the
    // executable or where the package installed it), initialises COM as a
    // single-threaded apartment and loads the library. Nothing here fails
    // or raises: a library that does not load leaves the handle null, and
    // players then come from the registered server.
    CMovieLoader() noexcept;
    // Frees the library and uninitialises COM. Every player must be gone.
    ~CMovieLoader();

    CMovieLoader(const CMovieLoader&) = delete;
    CMovieLoader& operator=(const CMovieLoader&) = delete;

    double QueryControlVersion() override;
    // Null for a width or height of no area, for a surface whose pixels would
    // not fit a signed 32-bit byte count, and when the control cannot be
    // created. Raises when the new control refuses its default settings.
    IMoviePlayer* NewPlayer(LONG width, LONG height) override;
    void DeletePlayer(IMoviePlayer* player) override;
    bool ReservedA(DWORD a, DWORD b, DWORD c) override;
    bool ReservedB(DWORD a, DWORD b) override;

    [[nodiscard]] HMODULE Library() const noexcept { return m_library; }

private:
    HMODULE m_library = nullptr;
};

// Whether a player surface of this size can be drawn: both sides positive and
// width x height x 4 bytes within a signed 32-bit count.
[[nodiscard]] bool IsDrawableSurfaceSize(LONG width, LONG height) noexcept;

}  // namespace moviehost
