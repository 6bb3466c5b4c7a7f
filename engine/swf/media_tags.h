// Parsers of the sound and video tags (private to the parser).
#pragma once

#include "swf/parse_context.h"
#include "swf/sound.h"

namespace swf {

void parseDefineSound(ParseContext& ctx, BitReader& r);
void parseDefineButtonSound(ParseContext& ctx, BitReader& r);
// StartSound (1) and StartSound2 (2).
[[nodiscard]] bool parseStartSound(ParseContext& ctx, BitReader& r, uint8_t version, StartSound& out);
// SoundStreamHead (1) and SoundStreamHead2 (2).
[[nodiscard]] bool parseSoundStreamHead(ParseContext& ctx, BitReader& r, uint8_t version, SoundStreamHead& out);
[[nodiscard]] bool parseSoundStreamBlock(ParseContext& ctx, BitReader& r, SoundStreamBlock& out);
// A SOUNDINFO record; false when it does not fit the data.
[[nodiscard]] bool readSoundInfo(ParseContext& ctx, BitReader& r, SoundInfo& out);

void parseDefineVideoStream(ParseContext& ctx, BitReader& r);
void parseVideoFrame(ParseContext& ctx, BitReader& r);

}  // namespace swf
