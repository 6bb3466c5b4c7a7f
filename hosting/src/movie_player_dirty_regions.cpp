// What the control has invalidated since the last draw, as the player keeps
// and reports it.
#include "movie_player.h"

namespace moviehost {

void CMoviePlayer::AddDirtyRect(const RECT* rect) { m_dirty.Add(rect, m_width, m_height); }

bool CMoviePlayer::CollectDirtyRects(const RECT** bounds, const RECT** first, LONG* count) {
    return m_dirty.Collect(bounds, first, count);
}

}  // namespace moviehost
