// Playback and navigation of the movie and of the clips inside it. Frames
// count from 0. Without a movie the plain commands do nothing and succeed (a
// container may play a control whose movie failed to open); queries answer
// neutral values; calls naming a target fail, as no target resolves.
#include "control/flash_control.h"

#include "control/bstr_text.h"
#include "control/control_error.h"

#include "platform/wide.h"

namespace control {

namespace {

HRESULT negativeFrame(std::u16string_view member) {
    return reportError(E_INVALIDARG, std::u16string(member) + u": frame numbers count from 0 and cannot be negative");
}

}  // namespace

model::MovieClip* FlashControl::resolveTarget(BSTR target, std::u16string_view member, HRESULT& failure) {
    const std::u16string_view path = bstrView(target);
    if (!m_stage) {
        failure = reportError(E_INVALIDARG, std::u16string(member) + u": no movie is loaded, so the target " +
                                                quoted(path) + u" does not resolve");
        return nullptr;
    }
    model::MovieClip* clip = m_stage->resolveTarget(platform::utf16_to_utf8(path));
    if (clip == nullptr)
        failure = reportError(E_INVALIDARG,
                              std::u16string(member) + u": the target " + quoted(path) + u" names no movie clip");
    return clip;
}

HRESULT FlashControl::Play() try {
    KeepAlive alive(*this);
    if (m_stage) {
        m_stage->play();
        publishChanges();
    }
    return S_OK;
} catch (...) {
    return failureFromException(u"Play");
}

HRESULT FlashControl::StopPlay() try {
    KeepAlive alive(*this);
    if (m_stage) {
        m_stage->stop();
        publishChanges();
    }
    return S_OK;
} catch (...) {
    return failureFromException(u"StopPlay");
}

HRESULT FlashControl::Stop() try { return StopPlay(); } catch (...) {
    return failureFromException(u"Stop");
}

HRESULT FlashControl::Rewind() try {
    KeepAlive alive(*this);
    if (m_stage) {
        m_stage->rewind();
        publishChanges();
    }
    return S_OK;
} catch (...) {
    return failureFromException(u"Rewind");
}

HRESULT FlashControl::Forward() try {
    KeepAlive alive(*this);
    if (m_stage) {
        m_stage->forward();
        publishChanges();
    }
    return S_OK;
} catch (...) {
    return failureFromException(u"Forward");
}

HRESULT FlashControl::Back() try {
    KeepAlive alive(*this);
    if (m_stage) {
        m_stage->back();
        publishChanges();
    }
    return S_OK;
} catch (...) {
    return failureFromException(u"Back");
}

// A frame past the last one goes to the last; playing goes on as it was.
HRESULT FlashControl::GotoFrame(LONG FrameNum) try {
    if (FrameNum < 0)
        return negativeFrame(u"GotoFrame");
    KeepAlive alive(*this);
    if (m_stage) {
        m_stage->gotoFrame(FrameNum);
        publishChanges();
    }
    return S_OK;
} catch (...) {
    return failureFromException(u"GotoFrame");
}

HRESULT FlashControl::CurrentFrame(LONG* FrameNum) try {
    if (FrameNum == nullptr)
        return reportError(E_POINTER, u"CurrentFrame needs a place for the result");
    *FrameNum = m_stage ? LONG(m_stage->currentFrame()) : -1;
    return S_OK;
} catch (...) {
    return failureFromException(u"CurrentFrame");
}

HRESULT FlashControl::IsPlaying(VARIANT_BOOL* Playing) try {
    if (Playing == nullptr)
        return reportError(E_POINTER, u"IsPlaying needs a place for the result");
    *Playing = m_stage && m_stage->isPlaying() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
} catch (...) {
    return failureFromException(u"IsPlaying");
}

HRESULT FlashControl::get_Playing(VARIANT_BOOL* pVal) try { return IsPlaying(pVal); } catch (...) {
    return failureFromException(u"get_Playing");
}

HRESULT FlashControl::put_Playing(VARIANT_BOOL pVal) try {
    return pVal != VARIANT_FALSE ? Play() : StopPlay();
} catch (...) {
    return failureFromException(u"put_Playing");
}

HRESULT FlashControl::get_Loop(VARIANT_BOOL* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"Loop needs a place for the result");
    *pVal = m_loop ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
} catch (...) {
    return failureFromException(u"get_Loop");
}

HRESULT FlashControl::put_Loop(VARIANT_BOOL pVal) try {
    m_loop = pVal != VARIANT_FALSE;
    return S_OK;
} catch (...) {
    return failureFromException(u"put_Loop");
}

HRESULT FlashControl::get_FrameNum(LONG* pVal) try { return CurrentFrame(pVal); } catch (...) {
    return failureFromException(u"get_FrameNum");
}

HRESULT FlashControl::put_FrameNum(LONG pVal) try { return GotoFrame(pVal); } catch (...) {
    return failureFromException(u"put_FrameNum");
}

HRESULT FlashControl::TPlay(BSTR target) try {
    KeepAlive alive(*this);
    HRESULT failure = S_OK;
    model::MovieClip* clip = resolveTarget(target, u"TPlay", failure);
    if (clip == nullptr)
        return failure;
    clip->play();
    publishChanges();
    return S_OK;
} catch (...) {
    return failureFromException(u"TPlay");
}

HRESULT FlashControl::TStopPlay(BSTR target) try {
    KeepAlive alive(*this);
    HRESULT failure = S_OK;
    model::MovieClip* clip = resolveTarget(target, u"TStopPlay", failure);
    if (clip == nullptr)
        return failure;
    clip->stop();
    publishChanges();
    return S_OK;
} catch (...) {
    return failureFromException(u"TStopPlay");
}

HRESULT FlashControl::TGotoFrame(BSTR target, LONG FrameNum) try {
    KeepAlive alive(*this);
    HRESULT failure = S_OK;
    model::MovieClip* clip = resolveTarget(target, u"TGotoFrame", failure);
    if (clip == nullptr)
        return failure;
    if (FrameNum < 0)
        return negativeFrame(u"TGotoFrame");
    m_stage->resetWorkBudget();
    clip->gotoFrame(FrameNum);
    publishChanges();
    return S_OK;
} catch (...) {
    return failureFromException(u"TGotoFrame");
}

HRESULT FlashControl::TGotoLabel(BSTR target, BSTR label) try {
    KeepAlive alive(*this);
    HRESULT failure = S_OK;
    model::MovieClip* clip = resolveTarget(target, u"TGotoLabel", failure);
    if (clip == nullptr)
        return failure;
    m_stage->resetWorkBudget();
    if (!clip->gotoLabel(platform::utf16_to_utf8(bstrView(label))))
        return reportError(E_INVALIDARG, u"TGotoLabel: no frame of the target " + quoted(bstrView(target)) +
                                             u" is labelled " + quoted(bstrView(label)));
    publishChanges();
    return S_OK;
} catch (...) {
    return failureFromException(u"TGotoLabel");
}

HRESULT FlashControl::TCurrentFrame(BSTR target, LONG* FrameNum) try {
    if (FrameNum == nullptr)
        return reportError(E_POINTER, u"TCurrentFrame needs a place for the result");
    *FrameNum = 0;
    HRESULT failure = S_OK;
    const model::MovieClip* clip = resolveTarget(target, u"TCurrentFrame", failure);
    if (clip == nullptr)
        return failure;
    *FrameNum = LONG(clip->currentFrame());
    return S_OK;
} catch (...) {
    return failureFromException(u"TCurrentFrame");
}

// The last label at or before the clip's frame; empty when there is none.
HRESULT FlashControl::TCurrentLabel(BSTR target, BSTR* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"TCurrentLabel needs a place for the result");
    *pVal = nullptr;
    HRESULT failure = S_OK;
    const model::MovieClip* clip = resolveTarget(target, u"TCurrentLabel", failure);
    if (clip == nullptr)
        return failure;
    return returnBstr(platform::utf8_to_utf16(clip->currentLabel()), pVal, u"TCurrentLabel");
} catch (...) {
    return failureFromException(u"TCurrentLabel");
}

}  // namespace control
