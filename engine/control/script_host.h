// What the control does for the script engine of one movie: fscommand and
// ExternalInterface.call become the FSCommand and FlashCall events of the
// control's event point, a stopped script becomes the control's error
// information, and the clocks and the movie's location come from here.
//
// A FlashCall listener answers through the control's SetReturnValue while it
// handles the event; the control passes the value to setReturnValue, which
// fills the answer slot of the innermost call in progress.
//
// When its movie is replaced or the control goes, the host is detached: the
// old engine may still be finishing a script, and what it asks then reaches
// nobody.
#pragma once

#include "script/host.h"

#include "control/event_connection_point.h"
#include "control/movie_sound.h"

#include "platform/types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace control {

class ScriptHost final : public script::Host {
public:
    // Failures of scripts: what the control's members answer when a script
    // they ran was stopped.
    static constexpr HRESULT kScriptFailed = E_FAIL;

    // `events` must outlive the host or be detached from it first.
    ScriptHost(EventConnectionPoint& events, std::u16string movieUrl);

    void detach() noexcept {
        m_events = nullptr;
        m_sound = nullptr;
    }
    // The movie's sound, for stopAllSounds (borrowed; detach() forgets it).
    void attachSound(MovieSound* sound) noexcept { m_sound = sound; }

    // The answer to the FlashCall in progress. False when no call is being
    // handled.
    [[nodiscard]] bool setReturnValue(std::u16string answer);

    // Script errors so far, and the last one's text, so that a member that
    // ran scripts can tell whether one of them failed.
    [[nodiscard]] uint64_t errorCount() const noexcept { return m_errorCount; }
    [[nodiscard]] const std::u16string& lastError() const noexcept { return m_lastError; }

    // script::Host
    // With MOVIEHOST_TRACE=1 in the environment, trace() lines go to standard error.
    void trace(const std::u16string& message) override;
    void fscommand(const std::u16string& command, const std::u16string& args) override;
    std::optional<std::u16string> externalCall(const script::ExternalCall& call) override;
    void scriptError(const script::ScriptError& error) override;
    void stopAllSounds() override;
    uint64_t startSound(uint32_t soundId, double offsetSeconds, uint32_t loops, uint64_t owner) override;
    void soundsInsideClips(const model::DisplayObject& clip) override;
    uint32_t movieSound(const std::shared_ptr<const swf::Movie>& movie, uint16_t soundId) override;
    void stopSounds(uint64_t owner, uint32_t soundId) override;
    uint32_t loadSound(std::span<const uint8_t> mp3, bool streaming) override;
    uint32_t openArrivingSound() override;
    void addArrivingSound(uint32_t soundId, std::span<const uint8_t> bytes, bool complete) override;
    uint64_t playStreamSound(std::unique_ptr<media::SoundSource> source, uint64_t owner) override;
    std::pair<double, double> soundPeaks(uint64_t voice) override;
    size_t recentSound(std::span<int16_t> out) override;
    bool soundPlaying(uint64_t voice) override;
    double soundDuration(uint32_t soundId) override;
    double soundPosition(uint64_t voice) override;
    void setSoundLevels(uint64_t owner, const script::SoundLevels& levels) override;
    script::SoundLevels soundLevels(uint64_t owner) override;
    void forgetSoundOwner(uint64_t owner) override;
    std::vector<uint64_t> finishedSounds() override;
    double milliseconds() override;
    // The tick count at which milliseconds() was 0.
    [[nodiscard]] ULONGLONG startTicks() const { return m_startTicks; }
    double epochMilliseconds() override;
    std::u16string movieUrl() override { return m_movieUrl; }
    std::u16string allowScriptAccess() override { return m_allowScriptAccess; }
    // The control's AllowScriptAccess, read at each call out.
    void setAllowScriptAccess(std::u16string value) { m_allowScriptAccess = std::move(value); }
    std::optional<std::u16string> objectId() override { return m_objectId; }
    // The object name from IOleObject::SetHostNames, empty for none.
    void setObjectId(std::optional<std::u16string> id) { m_objectId = std::move(id); }

private:
    EventConnectionPoint* m_events = nullptr;
    MovieSound* m_sound = nullptr;
    std::u16string m_movieUrl;
    std::u16string m_allowScriptAccess = u"sameDomain";
    std::optional<std::u16string> m_objectId;
    ULONGLONG m_startTicks = 0;
    // One slot per FlashCall being delivered, innermost last.
    std::vector<std::optional<std::u16string>> m_answers;
    uint64_t m_errorCount = 0;
    std::u16string m_lastError;
};

}  // namespace control
