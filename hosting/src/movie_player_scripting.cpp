// The scripting bridge: labels, variables, timeline properties and the call
// exchange with the movie. String results live in the player's one result
// string until the next operation that writes it.
#include "movie_player.h"

#include "control_error.h"
#include "control_string.h"

namespace moviehost {

LPCWSTR CMoviePlayer::KeepResult(BSTR value) {
    CopyControlString(value, m_result);
    return m_result.c_str();
}

LPCWSTR CMoviePlayer::QueryTargetLabel(LPCWSTR target) {
    if (!m_control)
        return nullptr;
    const platform::ScopedBstr text = ToControlString(target);
    platform::ScopedBstr label;
    CheckControlResult(m_control->TCurrentLabel(text.get(), label.receive()), m_control.get());
    return KeepResult(label.get());
}

// The control takes the target first, the label second.
void CMoviePlayer::JumpToTargetLabel(LPCWSTR label, LPCWSTR target) {
    if (!m_control)
        return;
    const platform::ScopedBstr targetText = ToControlString(target);
    const platform::ScopedBstr labelText = ToControlString(label);
    CheckControlResult(m_control->TGotoLabel(targetText.get(), labelText.get()), m_control.get());
}

void CMoviePlayer::CallTargetLabel(LPCWSTR label, LPCWSTR target) {
    if (!m_control)
        return;
    const platform::ScopedBstr targetText = ToControlString(target);
    const platform::ScopedBstr labelText = ToControlString(label);
    CheckControlResult(m_control->TCallLabel(targetText.get(), labelText.get()), m_control.get());
}

LPCWSTR CMoviePlayer::ReadVariable(LPCWSTR name) {
    if (!m_control)
        return nullptr;
    const platform::ScopedBstr nameText = ToControlString(name);
    platform::ScopedBstr value;
    CheckControlResult(m_control->GetVariable(nameText.get(), value.receive()), m_control.get());
    return KeepResult(value.get());
}

void CMoviePlayer::WriteVariable(LPCWSTR name, LPCWSTR value) {
    if (!m_control)
        return;
    const platform::ScopedBstr nameText = ToControlString(name);
    const platform::ScopedBstr valueText = ToControlString(value);
    CheckControlResult(m_control->SetVariable(nameText.get(), valueText.get()), m_control.get());
}

LPCWSTR CMoviePlayer::ReadTargetProperty(LONG property, LPCWSTR target) {
    if (!m_control)
        return nullptr;
    const platform::ScopedBstr targetText = ToControlString(target);
    platform::ScopedBstr value;
    CheckControlResult(m_control->TGetProperty(targetText.get(), property, value.receive()), m_control.get());
    return KeepResult(value.get());
}

double CMoviePlayer::ReadTargetNumber(LONG property, LPCWSTR target) {
    if (!m_control)
        return 0.0;
    const platform::ScopedBstr targetText = ToControlString(target);
    double value = 0.0;
    CheckControlResult(m_control->TGetPropertyNum(targetText.get(), property, &value), m_control.get());
    return value;
}

void CMoviePlayer::WriteTargetNumber(LONG property, double value, LPCWSTR target) {
    if (!m_control)
        return;
    const platform::ScopedBstr targetText = ToControlString(target);
    CheckControlResult(m_control->TSetPropertyNum(targetText.get(), property, value), m_control.get());
}

void CMoviePlayer::WriteTargetProperty(LONG property, LPCWSTR value, LPCWSTR target) {
    if (!m_control)
        return;
    const platform::ScopedBstr targetText = ToControlString(target);
    const platform::ScopedBstr valueText = ToControlString(value);
    CheckControlResult(m_control->TSetProperty(targetText.get(), property, valueText.get()), m_control.get());
}

// Its own rules: the control's result code is not looked at, and no response
// (as opposed to an empty one) leaves the result string as it was.
LPCWSTR CMoviePlayer::InvokeMovieFunction(LPCWSTR request) {
    if (!m_control)
        return nullptr;
    platform::ScopedBstr response;
    {
        const platform::ScopedBstr requestText = ToControlString(request);
        m_control->CallFunction(requestText.get(), response.receive());
    }
    if (!response)
        return nullptr;
    return KeepResult(response.get());
}

void CMoviePlayer::AnswerMovieCall(LPCWSTR value) {
    if (!m_control)
        return;
    const platform::ScopedBstr text = ToControlString(value);
    CheckControlResult(m_control->SetReturnValue(text.get()), m_control.get());
}

}  // namespace moviehost
