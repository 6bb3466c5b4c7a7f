// The tag loop: container -> tags -> dictionary and timelines.
#include "swf/container.h"
#include "swf/media_tags.h"
#include "swf/parse_context.h"
#include "swf/records.h"
#include "swf/tag_codes.h"

#include <fstream>
#include <set>

namespace swf {

void ParseContext::problem(ErrorCode code) {
    if (m_movie.problems.size() < m_options.maxProblems)
        m_movie.problems.push_back({code, m_tagCode, m_tagOffset});
}

bool ParseContext::charge(size_t bytes) {
    if (m_stopped)
        return false;
    if (bytes > m_options.maxRecordBytes - m_recordBytes) {
        m_stopped = true;
        problem(ErrorCode::LimitExceeded);
        return false;
    }
    m_recordBytes += bytes;
    return true;
}

bool ParseContext::reserveImage(uint64_t width, uint64_t height) {
    uint64_t pixels = width * height;  // both come from 16- or 32-bit fields: no overflow in 64 bits
    uint64_t bytes = pixels * 4;
    if (pixels > m_options.maxImagePixels || bytes > m_options.maxTotalImageBytes - m_movie.decodedImageBytes)
        return false;
    m_movie.decodedImageBytes += size_t(bytes);
    return true;
}

void ParseContext::define(uint16_t id, CharacterData data) {
    if (!m_movie.characters.add(id, std::move(data)))
        problem(ErrorCode::DuplicateCharacter);
}

namespace {

struct TagHeader {
    uint16_t code = 0;
    size_t offset = 0;      // of the tag header in the uncompressed file
    size_t bodyOffset = 0;  // of the body
    std::span<const uint8_t> body;
};

bool isSpriteTag(uint16_t code) {
    switch (code) {
    case tag::End:
    case tag::ShowFrame:
    case tag::PlaceObject:
    case tag::PlaceObject2:
    case tag::PlaceObject3:
    case tag::RemoveObject:
    case tag::RemoveObject2:
    case tag::DoAction:
    case tag::FrameLabel:
    case tag::StartSound:
    case tag::StartSound2:
    case tag::SoundStreamHead:
    case tag::SoundStreamHead2:
    case tag::SoundStreamBlock:
    case tag::VideoFrame:
        return true;
    default:
        return false;
    }
}

class TimelineParser {
public:
    TimelineParser(ParseContext& ctx, Timeline& timeline, bool inSprite)
        : m_ctx(ctx), m_timeline(timeline), m_inSprite(inSprite) {}

    // Reads tags from `r` until End or the end of data. Returns false when the
    // data ended (or a tag was cut) before End.
    bool run(BitReader& r, size_t baseOffset) {
        bool ended = false;
        while (!m_ctx.stopped()) {
            if (r.atEnd())
                break;
            TagHeader tag;
            tag.offset = baseOffset + r.position();
            uint16_t codeAndLength = r.u16();
            tag.code = codeAndLength >> 6;
            size_t length = codeAndLength & 0x3F;
            if (length == 0x3F)
                length = r.u32();
            if (r.failed())
                break;
            if (r.remaining() < length) {
                m_ctx.beginTag(tag.code, tag.offset);
                m_ctx.problem(ErrorCode::Truncated);  // the cut tag is left out
                break;
            }
            tag.bodyOffset = baseOffset + r.position();
            tag.body = r.bytes(length);
            m_ctx.beginTag(tag.code, tag.offset);
            if (tag.code == tag::End) {
                ended = true;
                break;
            }
            handle(tag);
        }
        // Control tags after the last ShowFrame still form a frame.
        if (!m_frame.tags.empty())
            m_timeline.frames.push_back(std::move(m_frame));
        return ended;
    }

private:
    void handle(const TagHeader& t) {
        if (m_inSprite && !isSpriteTag(t.code)) {
            m_ctx.problem(ErrorCode::TagNotAllowedHere);
            return;
        }
        BitReader r(t.body);
        bool ok = true;
        switch (t.code) {
        case tag::ShowFrame:
            m_timeline.frames.push_back(std::move(m_frame));
            m_frame = {};
            return;
        case tag::PlaceObject:
        case tag::PlaceObject2:
        case tag::PlaceObject3: {
            uint8_t v = t.code == tag::PlaceObject ? 1 : t.code == tag::PlaceObject2 ? 2 : 3;
            auto placed = parsePlaceObject(m_ctx, r, v);
            ok = placed.has_value();
            if (ok)
                add(std::move(placed).value());
            break;
        }
        case tag::RemoveObject: {
            RemoveObject rm;
            rm.version = 1;
            rm.characterId = r.u16();
            rm.depth = r.u16();
            ok = !r.failed();
            if (ok)
                add(rm);
            break;
        }
        case tag::RemoveObject2: {
            RemoveObject rm;
            rm.version = 2;
            rm.depth = r.u16();
            ok = !r.failed();
            if (ok)
                add(rm);
            break;
        }
        case tag::DoAction: {
            auto bytes = r.rest();
            if (!m_ctx.charge(bytes.size()))
                return;
            add(DoAction{{bytes.begin(), bytes.end()}});
            break;
        }
        case tag::DoInitAction: {
            DoInitAction init;
            init.spriteId = r.u16();
            auto bytes = r.rest();
            ok = !r.failed() && m_ctx.charge(bytes.size());
            if (ok) {
                init.actions.assign(bytes.begin(), bytes.end());
                add(std::move(init));
            }
            break;
        }
        case tag::FrameLabel: {
            FrameLabel label;
            label.name = r.string(m_ctx.version());
            ok = !r.failed();
            // The anchor flag byte exists from SWF 6 on, when present.
            if (ok && m_ctx.version() >= 6 && !r.atEnd())
                label.namedAnchor = r.u8() == 1;
            if (ok) {
                const auto frame = uint32_t(m_timeline.frames.size());
                // DefineSceneAndFrameLabelData may have named it already.
                if (m_labelsSeen.emplace(frame, label.name).second)
                    m_timeline.labels.push_back({label.name, frame, label.namedAnchor});
                add(std::move(label));
            }
            break;
        }
        case tag::SetBackgroundColor: {
            Rgba color = readRgb(r);
            ok = !r.failed();
            if (ok) {
                if (!m_ctx.movie().backgroundColor)
                    m_ctx.movie().backgroundColor = color;
                add(SetBackgroundColor{color});
            }
            break;
        }
        case tag::DefineShape:
            parseDefineShape(m_ctx, r, 1);
            break;
        case tag::DefineShape2:
            parseDefineShape(m_ctx, r, 2);
            break;
        case tag::DefineShape3:
            parseDefineShape(m_ctx, r, 3);
            break;
        case tag::DefineShape4:
            parseDefineShape(m_ctx, r, 4);
            break;
        case tag::DefineMorphShape:
            parseDefineMorphShape(m_ctx, r, 1);
            break;
        case tag::DefineMorphShape2:
            parseDefineMorphShape(m_ctx, r, 2);
            break;
        case tag::JPEGTables: {
            auto bytes = r.rest();
            m_ctx.jpegTables.assign(bytes.begin(), bytes.end());
            break;
        }
        case tag::DefineBits:
        case tag::DefineBitsJPEG2:
        case tag::DefineBitsJPEG3:
        case tag::DefineBitsJPEG4:
            parseDefineBits(m_ctx, r, t.code);
            break;
        case tag::DefineBitsLossless:
            parseDefineBitsLossless(m_ctx, r, 1);
            break;
        case tag::DefineBitsLossless2:
            parseDefineBitsLossless(m_ctx, r, 2);
            break;
        case tag::DefineButton:
            parseDefineButton(m_ctx, r, 1);
            break;
        case tag::DefineButton2:
            parseDefineButton(m_ctx, r, 2);
            break;
        case tag::DefineButtonCxform:
            parseDefineButtonCxform(m_ctx, r);
            break;
        case tag::DefineFont:
            parseDefineFont(m_ctx, r, 1);
            break;
        case tag::DefineFont2:
            parseDefineFont(m_ctx, r, 2);
            break;
        case tag::DefineFont3:
            parseDefineFont(m_ctx, r, 3);
            break;
        case tag::DefineFontInfo:
            parseDefineFontInfo(m_ctx, r, 1);
            break;
        case tag::DefineFontInfo2:
            parseDefineFontInfo(m_ctx, r, 2);
            break;
        case tag::DefineText:
            parseDefineText(m_ctx, r, 1);
            break;
        case tag::DefineText2:
            parseDefineText(m_ctx, r, 2);
            break;
        case tag::DefineEditText:
            parseDefineEditText(m_ctx, r);
            break;
        case tag::DefineSprite:
            parseSprite(r, t);
            break;
        case tag::DefineScalingGrid:
            ok = parseScalingGrid(r);
            break;
        case tag::ExportAssets: {
            uint16_t count = r.u16();
            for (uint16_t i = 0; i < count && !r.failed(); ++i) {
                uint16_t id = r.u16();
                std::string name = r.string(m_ctx.version());
                if (!r.failed())
                    m_ctx.movie().exports.emplace(std::move(name), id);
            }
            break;
        }
        case tag::CSMTextSettings: {
            const uint16_t id = r.u16();
            TextSettings settings;
            settings.advanced = r.ub(2) == 1;
            settings.gridFit = uint8_t(r.ub(3));
            (void)r.ub(3);
            settings.thickness = r.f32();
            settings.sharpness = r.f32();
            ok = !r.failed();
            if (ok)
                m_ctx.movie().textSettings[id] = settings;
            break;
        }
        case tag::FileAttributes: {
            uint8_t flags = r.u8();
            ok = !r.failed();
            if (ok) {
                FileAttributes& a = m_ctx.movie().attributes;
                a.present = true;
                a.useDirectBlit = flags & 0x40;
                a.useGpu = flags & 0x20;
                a.hasMetadata = flags & 0x10;
                a.actionScript3 = flags & 0x08;
                a.useNetwork = flags & 0x01;
            }
            break;
        }
        case tag::DefineSound:
            parseDefineSound(m_ctx, r);
            break;
        case tag::DefineButtonSound:
            parseDefineButtonSound(m_ctx, r);
            break;
        case tag::StartSound:
        case tag::StartSound2: {
            auto start = parseStartSound(m_ctx, r, t.code == tag::StartSound ? 1 : 2);
            ok = start.has_value() || start.error() == ErrorCode::LimitExceeded;
            if (start)
                add(std::move(start).value());
            break;
        }
        case tag::SoundStreamHead:
        case tag::SoundStreamHead2: {
            auto head = parseSoundStreamHead(r, t.code == tag::SoundStreamHead ? 1 : 2);
            ok = head.has_value();
            if (ok)
                add(head.value());
            break;
        }
        case tag::SoundStreamBlock: {
            auto block = parseSoundStreamBlock(m_ctx, r);
            if (block)
                add(std::move(block).value());
            break;
        }
        case tag::DefineVideoStream:
            parseDefineVideoStream(m_ctx, r);
            break;
        case tag::VideoFrame:
            parseVideoFrame(m_ctx, r);
            break;
        case tag::DoAbc:
        case tag::DoAbcOld: {
            // Tag 82 (DoABC2) carries flags and a name before the block; 72 only the block.
            DoAbc abc;
            if (t.code == tag::DoAbc) {
                abc.flags = r.u32();
                abc.name = r.string(m_ctx.version());
            }
            auto bytes = r.rest();
            ok = !r.failed() && !bytes.empty();
            if (ok && m_ctx.charge(bytes.size())) {
                abc.abc.assign(bytes.begin(), bytes.end());
                m_ctx.movie().hasAbc = true;
                add(std::move(abc));
            }
            break;
        }
        case tag::DefineSceneAndFrameLabelData:
            ok = parseScenes(r);
            break;
        case tag::SymbolClass: {
            SymbolClass symbols;
            const uint16_t count = r.u16();
            for (uint16_t i = 0; i < count && !r.failed(); ++i) {
                const uint16_t id = r.u16();
                std::string name = r.string(m_ctx.version());
                if (!r.failed() && m_ctx.charge(name.size() + sizeof(symbols.symbols[0])))
                    symbols.symbols.emplace_back(id, std::move(name));
            }
            // A cut list keeps the complete entries before the cut.
            ok = !r.failed();
            if (!symbols.symbols.empty())
                add(std::move(symbols));
            break;
        }
        default:
            // ImportAssets, Protect, EnableDebugger, Metadata, ScriptLimits,
            // SetTabIndex, ProductInfo, DebugID, DefineFontName,
            // DefineFontAlignZones and unknown tags are skipped.
            break;
        }
        if (!ok || r.failed())
            m_ctx.problem(ErrorCode::MalformedTag);
    }

    // Scenes of the root timeline, then frame labels; labels the frames'
    // own FrameLabel tags already gave are not repeated. Inside a sprite the
    // tag means nothing. A cut tag keeps the
    // complete entries before the cut.
    bool parseScenes(BitReader& r) {
        Timeline& root = m_ctx.movie().root;
        const uint32_t scenes = r.encodedU32();
        for (uint32_t i = 0; i < scenes && !r.failed(); ++i) {
            const uint32_t frame = r.encodedU32();
            std::string name = r.string(m_ctx.version());
            if (r.failed() || !m_ctx.charge(name.size() + sizeof(Scene)))
                return false;
            if (!m_inSprite)
                root.scenes.push_back({std::move(name), frame});
        }
        const uint32_t labels = r.encodedU32();
        for (uint32_t i = 0; i < labels && !r.failed(); ++i) {
            const uint32_t frame = r.encodedU32();
            std::string name = r.string(m_ctx.version());
            if (r.failed() || !m_ctx.charge(name.size() + sizeof(Label)))
                return false;
            if (!m_inSprite && m_labelsSeen.emplace(frame, name).second)
                root.labels.push_back({std::move(name), frame, false});
        }
        return !r.failed();
    }

    // The grid amends a sprite or button defined before it. A grid for any
    // other character, or for none, means nothing and is dropped, as the
    // player drops it; a grid without area is kept out too.
    bool parseScalingGrid(BitReader& r) {
        const uint16_t id = r.u16();
        const Rect grid = readRect(r);
        if (r.failed())
            return false;
        if (grid.isEmpty())
            return true;
        Dictionary& dict = m_ctx.movie().characters;
        if (auto* sprite = dict.findMutable<Sprite>(id))
            sprite->scalingGrid = grid;
        else if (auto* button = dict.findMutable<Button>(id))
            button->scalingGrid = grid;
        return true;
    }

    void parseSprite(BitReader& r, const TagHeader& t) {
        uint16_t id = r.u16();
        Sprite sprite;
        sprite.timeline.declaredFrameCount = r.u16();
        if (r.failed())
            return;
        size_t bodyStart = r.position();
        auto body = r.rest();
        BitReader inner(body);
        TimelineParser parser(m_ctx, sprite.timeline, true);
        bool ended = parser.run(inner, t.bodyOffset + bodyStart);
        m_ctx.beginTag(tag::DefineSprite, t.offset);
        if (!ended)
            m_ctx.problem(ErrorCode::Truncated);  // no End inside the sprite: its frames are kept
        m_ctx.define(id, std::move(sprite));
    }

    void add(ControlTag t) {
        if (m_ctx.charge(sizeof(ControlTag)))
            m_frame.tags.push_back(std::move(t));
    }

    ParseContext& m_ctx;
    Timeline& m_timeline;
    bool m_inSprite = false;
    Frame m_frame;
    std::set<std::pair<uint32_t, std::string>> m_labelsSeen;  // (frame, name) of the labels so far
};

}  // namespace

moviehost::Expected<std::shared_ptr<const Movie>, Error> parseMovie(std::span<const uint8_t> file,
                                                                    const ParseOptions& options) {
    auto opened = openContainer(file, options.maxMovieBytes);
    if (!opened.has_value())
        return opened.error();
    Container& c = opened.value();
    auto movie = std::make_shared<Movie>();
    movie->header = c.header;
    movie->root.declaredFrameCount = c.header.declaredFrameCount;
    ParseContext ctx(*movie, options);
    if (c.lengthMismatch)
        ctx.problem(ErrorCode::LengthMismatch);
    if (c.limitReached)
        ctx.problem(ErrorCode::LimitExceeded);

    BitReader r(c.data());
    r.seek(c.tagsOffset);
    TimelineParser parser(ctx, movie->root, false);
    bool ended = parser.run(r, 0);
    movie->truncated = !ended || c.truncated;
    if (movie->truncated) {
        ctx.beginTag(0, r.position());
        ctx.problem(ErrorCode::Truncated);
    }
    if (movie->usesActionScript3())
        movie->file = uncompressedFile(c);
    return std::shared_ptr<const Movie>(std::move(movie));
}

moviehost::Expected<std::shared_ptr<const Movie>, Error> parseMovieFile(const std::string& path,
                                                                        const ParseOptions& options) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Error{ErrorCode::ReadFailed, 0};
    std::vector<uint8_t> bytes;
    constexpr size_t kStep = 1 << 20;
    while (in && bytes.size() < options.maxMovieBytes) {
        size_t used = bytes.size();
        bytes.resize(used + kStep);
        in.read(reinterpret_cast<char*>(bytes.data() + used), std::streamsize(kStep));
        bytes.resize(used + size_t(in.gcount()));
    }
    if (in.bad())
        return Error{ErrorCode::ReadFailed, 0};
    return parseMovie(bytes, options);
}

}  // namespace swf
