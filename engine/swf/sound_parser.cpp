// DefineSound, StartSound/StartSound2, SoundStreamHead/Head2/Block and
// DefineButtonSound.
#include "swf/media_tags.h"

namespace swf {

uint32_t SoundFormat::sampleRate() const {
    switch (codec) {
    case SoundCodec::Nellymoser8k:
        return 8000;
    case SoundCodec::Nellymoser16k:
    case SoundCodec::Speex:
        return 16000;
    default:
        break;
    }
    static constexpr uint32_t Rates[4] = {5512, 11025, 22050, 44100};
    return Rates[rateCode & 3];
}

std::optional<Mp3StreamBlock> splitMp3StreamBlock(std::span<const uint8_t> block) {
    if (block.size() < 4)
        return std::nullopt;
    Mp3StreamBlock out;
    out.sampleCount = uint16_t(block[0] | block[1] << 8);
    out.seekSamples = int16_t(uint16_t(block[2] | block[3] << 8));
    out.frames = block.subspan(4);
    return out;
}

namespace {

// The byte shared by DefineSound and both halves of a stream head:
// codec (4 bits), rate (2), size (1), channels (1).
SoundFormat readFormatBits(BitReader& r, bool withCodec) {
    SoundFormat f;
    if (withCodec)
        f.codec = uint8_t(r.ub(4));
    f.rateCode = uint8_t(r.ub(2));
    f.sixteenBit = r.flag();
    f.stereo = r.flag();
    return f;
}

bool readSoundRef(ParseContext& ctx, BitReader& r, ButtonSound& out) {
    out.soundId = r.u16();
    if (out.soundId == 0 || r.failed())
        return !r.failed();
    auto info = readSoundInfo(ctx, r);
    if (!info)
        return false;
    out.info = std::move(info).value();
    return true;
}

}  // namespace

moviehost::Expected<SoundInfo, ErrorCode> readSoundInfo(ParseContext& ctx, BitReader& r) {
    SoundInfo out;
    uint8_t flags = r.u8();
    out.syncStop = flags & 0x20;
    out.syncNoMultiple = flags & 0x10;
    if (flags & 0x01)
        out.inPoint = r.u32();
    if (flags & 0x02)
        out.outPoint = r.u32();
    if (flags & 0x04) {
        uint16_t loops = r.u16();
        out.loops = loops == 0 ? 1 : loops;
    }
    if (flags & 0x08) {
        uint8_t count = r.u8();
        // Eight bytes a point: refuse a count the data cannot hold before reserving for it.
        if (r.failed() || r.remaining() < size_t(count) * 8)
            return ErrorCode::MalformedTag;
        if (!ctx.charge(count * sizeof(SoundEnvelopePoint)))
            return ErrorCode::LimitExceeded;
        out.envelope.resize(count);
        for (SoundEnvelopePoint& p : out.envelope) {
            p.position44 = r.u32();
            p.left = r.u16();
            p.right = r.u16();
        }
    }
    if (r.failed())
        return ErrorCode::MalformedTag;
    return out;
}

void parseDefineSound(ParseContext& ctx, BitReader& r) {
    uint16_t id = r.u16();
    Sound sound;
    sound.format = readFormatBits(r, true);
    sound.sampleCount = r.u32();
    if (sound.format.codec == SoundCodec::Mp3)
        sound.seekSamples = r.s16();
    if (r.failed())
        return;
    auto data = r.rest();
    if (!ctx.charge(data.size()))
        return;
    sound.data.assign(data.begin(), data.end());
    ctx.define(id, std::move(sound));
}

moviehost::Expected<StartSound, ErrorCode> parseStartSound(ParseContext& ctx, BitReader& r, uint8_t version) {
    StartSound out;
    out.version = version;
    if (version == 1)
        out.soundId = r.u16();
    else
        out.className = r.string(ctx.version());
    if (r.failed())
        return ErrorCode::MalformedTag;
    auto info = readSoundInfo(ctx, r);
    if (!info)
        return info.error();
    out.info = std::move(info).value();
    return out;
}

moviehost::Expected<SoundStreamHead, ErrorCode> parseSoundStreamHead(BitReader& r, uint8_t version) {
    SoundStreamHead out;
    out.version = version;
    r.ub(4);
    out.playback = readFormatBits(r, false);
    out.stream = readFormatBits(r, true);
    out.samplesPerBlock = r.u16();
    if (r.failed())
        return ErrorCode::MalformedTag;
    // Writers often leave LatencySeek out; a head without it is still whole.
    if (out.stream.codec == SoundCodec::Mp3 && r.remaining() >= 2)
        out.latencySeek = r.s16();
    return out;
}

moviehost::Expected<SoundStreamBlock, ErrorCode> parseSoundStreamBlock(ParseContext& ctx, BitReader& r) {
    auto data = r.rest();
    if (!ctx.charge(data.size()))
        return ErrorCode::LimitExceeded;
    return SoundStreamBlock{{data.begin(), data.end()}};
}

void parseDefineButtonSound(ParseContext& ctx, BitReader& r) {
    uint16_t buttonId = r.u16();
    std::array<ButtonSound, ButtonSoundSlot::Count> sounds;
    for (ButtonSound& s : sounds) {
        if (!readSoundRef(ctx, r, s))
            return r.fail();
    }
    Button* button = ctx.movie().characters.findMutable<Button>(buttonId);
    if (!button) {
        ctx.problem(ctx.movie().characters.contains(buttonId) ? ErrorCode::WrongCharacterKind
                                                              : ErrorCode::UndefinedCharacter);
        return;
    }
    button->sounds = std::move(sounds);
}

}  // namespace swf
