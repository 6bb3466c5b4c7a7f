// The listeners that receive the movie's outgoing calls. The player neither
// owns them nor counts references to them.
#include "movie_player.h"

#include <algorithm>

namespace moviehost {

void CMoviePlayer::NoOperation(DWORD) {}

// No test for duplicates: the same listener added twice is called twice.
void CMoviePlayer::AddListener(IMovieListener* listener) { m_listeners.push_back(listener); }

void CMoviePlayer::RemoveListener(IMovieListener* listener) {
    const auto it = std::find(m_listeners.begin(), m_listeners.end(), listener);
    if (it != m_listeners.end())
        m_listeners.erase(it);
}

IMovieListener* CMoviePlayer::ListenerAt(DWORD index) {
    return index < m_listeners.size() ? m_listeners[index] : nullptr;
}

LONG CMoviePlayer::ListenerCount() { return static_cast<LONG>(m_listeners.size()); }

}  // namespace moviehost
