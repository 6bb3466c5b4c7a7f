// The dictionary: every character of a movie by id.
#pragma once

#include "swf/bitmap.h"
#include "swf/button.h"
#include "swf/font.h"
#include "swf/morph_shape.h"
#include "swf/shape.h"
#include "swf/sound.h"
#include "swf/text.h"
#include "swf/timeline.h"
#include "swf/video.h"

#include <cstdint>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <variant>

namespace swf {

// DefineSprite: a timeline of its own. Sprites never nest in the file format;
// a DefineSprite inside a sprite is skipped.
struct Sprite {
    Timeline timeline;
    std::optional<Rect> scalingGrid;  // DefineScalingGrid, in the sprite's twips
};

enum class CharacterKind : uint8_t {
    Shape,
    MorphShape,
    Bitmap,
    Sprite,
    Button,
    Font,
    Text,
    EditText,
    Sound,
    VideoStream
};

using CharacterData = std::variant<Shape, MorphShape, Bitmap, Sprite, Button, Font, Text, EditText, Sound, VideoStream>;

// Characters are immutable once the movie is loaded. Pointers returned by
// find() stay valid for the life of the dictionary.
class Dictionary {
public:
    // Adds a character. A second definition of an id is refused (false) and
    // the first one stays, so later tags keep meaning what earlier ones meant.
    bool add(uint16_t id, CharacterData data);

    [[nodiscard]] bool contains(uint16_t id) const { return m_characters.count(id) != 0; }
    [[nodiscard]] size_t size() const { return m_characters.size(); }

    // The character of that id if it is of kind T, else nullptr (undefined id
    // and wrong kind look alike to the caller; kindOf() tells them apart).
    template <typename T>
    [[nodiscard]] const T* find(uint16_t id) const {
        auto it = m_characters.find(id);
        return it == m_characters.end() ? nullptr : std::get_if<T>(&it->second);
    }
    // Mutable access while parsing (DefineFontInfo, DefineButtonCxform amend earlier characters).
    template <typename T>
    [[nodiscard]] T* findMutable(uint16_t id) {
        auto it = m_characters.find(id);
        return it == m_characters.end() ? nullptr : std::get_if<T>(&it->second);
    }
    [[nodiscard]] const CharacterData* findAny(uint16_t id) const {
        auto it = m_characters.find(id);
        return it == m_characters.end() ? nullptr : &it->second;
    }
    [[nodiscard]] std::optional<CharacterKind> kindOf(uint16_t id) const {
        auto it = m_characters.find(id);
        if (it == m_characters.end())
            return std::nullopt;
        return CharacterKind(it->second.index());
    }

    template <typename F>
    void forEach(F&& f) const {
        for (const auto& [id, data] : m_characters)
            f(id, data);
    }

private:
    std::unordered_map<uint16_t, CharacterData> m_characters;
};

}  // namespace swf
