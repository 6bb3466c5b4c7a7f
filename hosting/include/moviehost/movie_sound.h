// The sound of a hosted movie, offered beside IMoviePlayer (whose table never
// changes): 44,100 Hz stereo, signed 16-bit samples, left then right.
//
// `player` must be one the process's loader made (GetMovieLoader()->NewPlayer)
// and every call comes on its thread. Nothing is mixed for reading until
// StartMovieSound; a host that never calls it behaves as before.
#pragma once

#include "moviehost/movie_player.h"
#include "platform/types.h"

// Asks the player's control to keep its sound for ReadMovieSound. False when
// there is no player or its control offers no sound (then reads give nothing).
bool StartMovieSound(IMoviePlayer* player) noexcept;

// Moves up to `maxFrames` frames (2 x maxFrames samples) of the sound of the
// frames shown so far into `samples`, oldest first. Returns the frames moved:
// 0 when none wait, when sound was never started or when the control failed.
LONG ReadMovieSound(IMoviePlayer* player, SHORT* samples, LONG maxFrames) noexcept;
