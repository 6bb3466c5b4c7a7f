// The registry as read from a .reg text file: a tree of keys by full path,
// each with its values. Paths are stored case-folded and start with the full
// name of the root key, e.g. "hkey_classes_root\clsid\{...}\inprocserver32".
// Every key's ancestors exist too, as they do in a real registry.
#pragma once

#include "platform/wide.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform::detail {

struct RegistryValue {
    WideString name;  // as written; empty for the default value
    DWORD type = 0;
    std::vector<BYTE> data;
};

using RegistryValues = std::vector<RegistryValue>;

class RegistryTree {
public:
    // The key's values, or null when there is no such key. Root keys always
    // exist, if only empty.
    [[nodiscard]] const RegistryValues* find(const WideString& foldedPath) const;

    // Creates the key and its ancestors (as needed) and returns its values.
    RegistryValues& addKey(const WideString& foldedPath);

    [[nodiscard]] std::size_t keyCount() const noexcept { return m_keys.size(); }

private:
    std::map<WideString, RegistryValues> m_keys;
};

// Files larger than this are not read at all: an empty registry results.
inline constexpr std::size_t MaxRegistryFileBytes = 16u << 20;

// Parses the bytes of a .reg file (UTF-8, or UTF-16LE with its byte order
// mark). Never fails: what cannot be understood is skipped.
[[nodiscard]] RegistryTree parseRegistry(std::string_view bytes);

// Reads and parses the file; a missing, unreadable or oversized file gives an
// empty tree.
[[nodiscard]] RegistryTree loadRegistryFile(const std::string& path);

// Where the registry file is expected (see platform/registry.h); empty when no
// location can be formed.
[[nodiscard]] std::string registryFilePath();

// ASCII letters to lower case; nothing else changes.
[[nodiscard]] WideString foldCase(WideStringView text);

// "HKEY_CLASSES_ROOT" and friends (any case) to their folded canonical name;
// empty for anything else.
[[nodiscard]] WideString canonicalRootName(WideStringView name);

}  // namespace platform::detail
