// The format of a run of text. Every member is optional: a format a script
// gives sets only what it names, and the format of a mixed range leaves
// empty what differs within it. Runs in a document carry complete formats.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace text {

enum class Align : uint8_t { Left, Right, Center, Justify };

struct TextFormat {
    std::optional<std::string> font;  // a face name, or "_sans", "_serif", "_typewriter"
    std::optional<double> size;       // twips
    std::optional<uint32_t> color;    // 0xRRGGBB
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<bool> underline;
    std::optional<std::string> url;
    std::optional<std::string> target;
    // Paragraph members: the paragraph's first character decides them.
    std::optional<Align> align;
    std::optional<double> leftMargin;  // twips, as the rest of the lengths
    std::optional<double> rightMargin;
    std::optional<double> indent;
    std::optional<double> blockIndent;
    std::optional<double> leading;
    std::optional<bool> bullet;
    std::optional<std::vector<double>> tabStops;
    // Character spacing.
    std::optional<double> letterSpacing;
    std::optional<bool> kerning;

    friend bool operator==(const TextFormat&, const TextFormat&) = default;

    // Sets what `other` sets.
    void apply(const TextFormat& other);
    // Empties what `other` holds differently.
    void intersect(const TextFormat& other);
    // Whether every member is set.
    [[nodiscard]] bool complete() const;
};

// The format a new field starts with: Times Roman 12 points, black, left.
[[nodiscard]] TextFormat defaultFormat();

}  // namespace text
