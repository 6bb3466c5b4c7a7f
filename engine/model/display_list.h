// The children of a movie clip or button, ordered by depth (lowest first,
// drawn first). At most one object per depth.
//
//   for (const auto& [depth, object] : clip.displayList()) ...
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>

namespace model {

class DisplayObject;

class DisplayList {
public:
    using Entries = std::map<int32_t, std::shared_ptr<DisplayObject>>;

    explicit DisplayList(DisplayObject& owner) : m_owner(&owner) {}
    DisplayList(const DisplayList&) = delete;
    DisplayList& operator=(const DisplayList&) = delete;
    // Children that outlive their parent (kept by someone else) lose it.
    ~DisplayList();

    [[nodiscard]] size_t size() const { return m_entries.size(); }
    [[nodiscard]] bool empty() const { return m_entries.empty(); }
    [[nodiscard]] Entries::const_iterator begin() const { return m_entries.begin(); }
    [[nodiscard]] Entries::const_iterator end() const { return m_entries.end(); }
    [[nodiscard]] const Entries& entries() const { return m_entries; }

    [[nodiscard]] DisplayObject* at(int32_t depth) const;
    // The lowest-depth child with this instance name; names compare
    // ASCII-case-insensitively unless caseSensitive.
    [[nodiscard]] DisplayObject* findByName(std::string_view name, bool caseSensitive) const;

    // Puts `object` at `depth`, setting its depth and parent, and returns what
    // was there before (detached), if anything.
    std::shared_ptr<DisplayObject> insert(int32_t depth, std::shared_ptr<DisplayObject> object);
    // Detaches and returns the object at `depth` (nullptr when empty).
    std::shared_ptr<DisplayObject> remove(int32_t depth);
    // Moves the object at `from` to `to`, swapping with whatever is at `to`.
    void swap(int32_t from, int32_t to);

private:
    DisplayObject* m_owner = nullptr;
    Entries m_entries;
};

// ASCII-case-insensitive unless caseSensitive: the player compares instance
// names and frame labels without case up to version 6 and exactly from 7 on.
[[nodiscard]] bool namesEqual(std::string_view a, std::string_view b, bool caseSensitive);

}  // namespace model
