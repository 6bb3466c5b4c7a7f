// Playback and display properties: thin bridges to the control that return a
// neutral value when there is no control and raise when the control fails.
#include "movie_player.h"

#include "control_error.h"
#include "control_string.h"
#include "quality_names.h"

namespace moviehost {

namespace {

constexpr LONG kPlaying = 1;
constexpr LONG NotPlaying = 2;
constexpr LONG NoControlPlayState = 0;
constexpr LONG FallbackQuality = 2;
constexpr LONG NoFrame = -1;
constexpr LONG ColorMask = 0xFFFFFF;

}  // namespace

void CMoviePlayer::SetUserValue(LONG value) { m_userValue = value; }

LONG CMoviePlayer::GetUserValue() { return m_userValue; }

LONG CMoviePlayer::QueryPlayState() {
    if (!m_control)
        return NoControlPlayState;
    VARIANT_BOOL playing = VARIANT_FALSE;
    CheckControlResult(m_control->IsPlaying(&playing), m_control.get());
    return playing != VARIANT_FALSE ? kPlaying : NotPlaying;
}

// The control is asked afresh for every entry of the table; the player keeps
// no copy of its own.
LONG CMoviePlayer::QueryQuality() {
    if (!m_control)
        return FallbackQuality;
    for (LONG index = 0; index < QualityCount; ++index) {
        platform::ScopedBstr name;
        CheckControlResult(m_control->get_Quality2(name.receive()), m_control.get());
        if (EqualIgnoringAsciiCase(ControlStringView(name.get()), QualityName(index)))
            return index;
    }
    return FallbackQuality;
}

void CMoviePlayer::ApplyQuality(LONG index) {
    const LPCWSTR name = QualityName(index);
    if (!m_control || name == nullptr)
        return;  // an index outside the table is ignored
    const platform::ScopedBstr text = ToControlString(name);
    CheckControlResult(m_control->put_Quality2(text.get()), m_control.get());
}

LONG CMoviePlayer::QueryTransparency() { return m_transparency; }

// A failing control call raises before the mode is stored, so the previous
// mode stays. Modes outside 0 to 2 are stored without telling the control.
void CMoviePlayer::ApplyTransparency(LONG mode) {
    if (m_control && mode >= 0 && mode <= 2) {
        const platform::ScopedBstr wmode = ToControlString(mode == 0 ? WIDE("opaque") : WIDE("transparent"));
        CheckControlResult(m_control->put_WMode(wmode.get()), m_control.get());
    }
    m_transparency = mode;
}

// The one property that reports a control failure through its result.
bool CMoviePlayer::OpenMovie(LPCWSTR location) {
    if (!m_control)
        return false;
    const platform::ScopedBstr movie = ToControlString(location);
    return SUCCEEDED(m_control->put_Movie(movie.get()));
}

LONG CMoviePlayer::QueryBackColor() {
    if (!m_control)
        return 0;
    LONG color = 0;
    CheckControlResult(m_control->get_BackgroundColor(&color), m_control.get());
    return color;
}

void CMoviePlayer::ApplyBackColor(LONG color) {
    if (!m_control)
        return;
    CheckControlResult(m_control->put_BackgroundColor(color & ColorMask), m_control.get());
}

void CMoviePlayer::PlayTarget(LPCWSTR target) {
    if (!m_control)
        return;
    const platform::ScopedBstr text = ToControlString(target);
    CheckControlResult(m_control->TPlay(text.get()), m_control.get());
}

void CMoviePlayer::PlayMovie() {
    if (m_control)
        CheckControlResult(m_control->Play(), m_control.get());
}

void CMoviePlayer::HaltTarget(LPCWSTR target) {
    if (!m_control)
        return;
    const platform::ScopedBstr text = ToControlString(target);
    CheckControlResult(m_control->TStopPlay(text.get()), m_control.get());
}

void CMoviePlayer::HaltMovie() {
    if (m_control)
        CheckControlResult(m_control->StopPlay(), m_control.get());
}

void CMoviePlayer::RewindMovie() {
    if (m_control)
        CheckControlResult(m_control->Rewind(), m_control.get());
}

void CMoviePlayer::NextFrame() {
    if (m_control)
        CheckControlResult(m_control->Forward(), m_control.get());
}

void CMoviePlayer::PreviousFrame() {
    if (m_control)
        CheckControlResult(m_control->Back(), m_control.get());
}

LONG CMoviePlayer::QueryTargetFrame(LPCWSTR target) {
    if (!m_control)
        return NoFrame;
    const platform::ScopedBstr text = ToControlString(target);
    LONG frame = 0;
    CheckControlResult(m_control->TCurrentFrame(text.get(), &frame), m_control.get());
    return frame;
}

LONG CMoviePlayer::QueryFrame() {
    if (!m_control)
        return NoFrame;
    LONG frame = 0;
    CheckControlResult(m_control->CurrentFrame(&frame), m_control.get());
    return frame;
}

// The control takes the target first.
void CMoviePlayer::JumpToTargetFrame(LONG frame, LPCWSTR target) {
    if (!m_control)
        return;
    const platform::ScopedBstr text = ToControlString(target);
    CheckControlResult(m_control->TGotoFrame(text.get(), frame), m_control.get());
}

void CMoviePlayer::JumpToFrame(LONG frame) {
    if (m_control)
        CheckControlResult(m_control->GotoFrame(frame), m_control.get());
}

void CMoviePlayer::CallTargetFrame(LONG frame, LPCWSTR target) {
    if (!m_control)
        return;
    const platform::ScopedBstr text = ToControlString(target);
    CheckControlResult(m_control->TCallFrame(text.get(), frame), m_control.get());
}

}  // namespace moviehost
