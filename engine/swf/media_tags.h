// Parsers of the sound and video tags (private to the parser).
#pragma once

#include "moviehost/expected.h"
#include "swf/parse_context.h"
#include "swf/sound.h"

namespace swf {

void parseDefineSound(ParseContext& ctx, BitReader& r);
void parseDefineButtonSound(ParseContext& ctx, BitReader& r);
// Each returns MalformedTag when the fields do not fit the tag, and
// LimitExceeded when the record budget is spent.
// StartSound (1) and StartSound2 (2).
[[nodiscard]] moviehost::Expected<StartSound, ErrorCode> parseStartSound(ParseContext& ctx, BitReader& r,
                                                                         uint8_t version);
// SoundStreamHead (1) and SoundStreamHead2 (2).
[[nodiscard]] moviehost::Expected<SoundStreamHead, ErrorCode> parseSoundStreamHead(BitReader& r, uint8_t version);
[[nodiscard]] moviehost::Expected<SoundStreamBlock, ErrorCode> parseSoundStreamBlock(ParseContext& ctx, BitReader& r);
// A SOUNDINFO record.
[[nodiscard]] moviehost::Expected<SoundInfo, ErrorCode> readSoundInfo(ParseContext& ctx, BitReader& r);

void parseDefineVideoStream(ParseContext& ctx, BitReader& r);
void parseVideoFrame(ParseContext& ctx, BitReader& r);

}  // namespace swf
