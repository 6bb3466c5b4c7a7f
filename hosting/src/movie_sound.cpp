// The control's IMovieSoundOutput, reached from a player.
#include "moviehost/movie_sound.h"

#include "movie_player.h"

#include "moviehost/flash_contract.h"

namespace {

platform::ComPtr<IMovieSoundOutput> SoundOf(IMoviePlayer* player) noexcept {
    // The loader makes no other kind of player.
    auto* hosted = static_cast<moviehost::CMoviePlayer*>(player);
    if (!hosted || !hosted->Control())
        return {};
    return platform::ComPtr<IShockwaveFlash>::share(hosted->Control()).As<IMovieSoundOutput>();
}

}  // namespace

bool StartMovieSound(IMoviePlayer* player) noexcept {
    const auto sound = SoundOf(player);
    return sound && SUCCEEDED(sound->StartSoundOutput());
}

LONG ReadMovieSound(IMoviePlayer* player, SHORT* samples, LONG maxFrames) noexcept {
    if (!samples || maxFrames <= 0)
        return 0;
    const auto sound = SoundOf(player);
    ULONG read = 0;
    if (!sound || FAILED(sound->ReadSound(samples, static_cast<ULONG>(maxFrames), &read)))
        return 0;
    return static_cast<LONG>(read > static_cast<ULONG>(maxFrames) ? maxFrames : read);
}
