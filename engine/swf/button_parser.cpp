// DefineButton, DefineButton2 and DefineButtonCxform.
#include "swf/parse_context.h"
#include "swf/records.h"

namespace swf {

namespace {

// BUTTONRECORDs up to the zero end flag. False on a malformed record.
bool readButtonRecords(ParseContext& ctx, BitReader& r, uint8_t buttonVersion, std::vector<ButtonRecord>& out) {
    while (!r.failed()) {
        uint8_t flags = r.u8();
        if (flags == 0)
            return !r.failed();
        if (!ctx.charge(sizeof(ButtonRecord)))
            return false;
        ButtonRecord rec;
        bool hasBlend = flags & 0x20;
        bool hasFilters = flags & 0x10;
        rec.hit = flags & 0x08;
        rec.down = flags & 0x04;
        rec.over = flags & 0x02;
        rec.up = flags & 0x01;
        rec.characterId = r.u16();
        rec.depth = r.u16();
        rec.matrix = readMatrix(r);
        if (buttonVersion >= 2) {
            rec.colorTransform = readColorTransformAlpha(r);
            if (hasFilters && !readFilterList(ctx, r, rec.filters))
                return false;  // an unknown filter hides where the next record starts
            if (hasBlend)
                rec.blendMode = blendModeFromByte(r.u8());
        }
        out.push_back(std::move(rec));
    }
    return false;
}

}  // namespace

void parseDefineButton(ParseContext& ctx, BitReader& r, uint8_t buttonVersion) {
    uint16_t id = r.u16();
    Button button;
    button.version = buttonVersion;
    if (buttonVersion == 1) {
        if (!readButtonRecords(ctx, r, 1, button.records))
            return r.fail();
        auto actions = r.rest();
        if (!ctx.charge(actions.size()))
            return r.fail();
        ButtonAction release;
        release.conditions = ButtonCondition::OverDownToOverUp;
        release.actions.assign(actions.begin(), actions.end());
        button.actions.push_back(std::move(release));
        ctx.define(id, std::move(button));
        return;
    }
    button.trackAsMenu = r.u8() & 0x01;
    size_t offsetField = r.position();
    uint16_t actionOffset = r.u16();
    if (!readButtonRecords(ctx, r, 2, button.records))
        return r.fail();
    if (actionOffset != 0) {
        // Condition actions start where the offset says (counted from the offset field).
        r.seek(offsetField + actionOffset);
        while (!r.failed() && !r.atEnd()) {
            size_t start = r.position();
            uint16_t size = r.u16();
            ButtonAction action;
            uint8_t high = r.u8();
            uint8_t low = r.u8();
            action.conditions = uint16_t(high << 8 | (low & 0x01));
            action.keyCode = low >> 1;
            size_t end = size != 0 ? start + size : r.size();
            if (end < r.position() || end > r.size())
                return r.fail();
            auto bytes = r.bytes(end - r.position());
            if (!ctx.charge(bytes.size() + sizeof(ButtonAction)))
                return r.fail();
            action.actions.assign(bytes.begin(), bytes.end());
            button.actions.push_back(std::move(action));
            if (size == 0)
                break;
        }
        if (r.failed())
            return;
    }
    ctx.define(id, std::move(button));
}

void parseDefineButtonCxform(ParseContext& ctx, BitReader& r) {
    uint16_t id = r.u16();
    ColorTransform cx = readColorTransform(r);
    if (r.failed())
        return;
    Button* button = ctx.movie().characters.findMutable<Button>(id);
    if (!button) {
        ctx.problem(ctx.movie().characters.contains(id) ? ErrorCode::WrongCharacterKind
                                                        : ErrorCode::UndefinedCharacter);
        return;
    }
    for (ButtonRecord& rec : button->records)
        rec.colorTransform = cx;
}

}  // namespace swf
