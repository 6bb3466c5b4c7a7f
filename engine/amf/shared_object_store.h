// Where shared objects live on disk: one file per movie and name,
//   <folder>/<host>/<local path...>/<name>.sol
// under $XDG_DATA_HOME/moviehost (or ~/.local/share/moviehost). Local movies
// use the host name "localhost". Writes are atomic (a temporary file, fsync,
// rename), so a crash leaves the old file or the new one, never a torn one.
#pragma once

#include "moviehost/expected.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace amf {

class SharedObjectStore {
public:
    static constexpr size_t DefaultLimit = 100 * 1024;

    explicit SharedObjectStore(std::filesystem::path folder, size_t limit = DefaultLimit)
        : m_folder(std::move(folder)), m_limit(limit) {}
    // The store under $XDG_DATA_HOME/moviehost (or ~/.local/share/moviehost).
    static SharedObjectStore fromEnvironment(size_t limit = DefaultLimit);

    // The file of shared object `name` of the movie at host/moviePath (the
    // movie's path including its file name). `localPath`, when given, must be
    // a folder prefix of moviePath. Names holding ~ % & \ ; : " ' , < > ? #
    // or spaces, and ".." segments, are refused, as the format's player does.
    [[nodiscard]] moviehost::Expected<std::filesystem::path, std::string> pathFor(
        std::string_view host, std::string_view moviePath, std::string_view name,
        std::optional<std::string_view> localPath = std::nullopt) const;

    // The bytes stored, or an empty string when nothing was stored yet.
    [[nodiscard]] moviehost::Expected<std::string, std::string> read(const std::filesystem::path& file) const;
    // Refused above the size limit; nothing changes on disk then.
    [[nodiscard]] moviehost::Expected<void, std::string> write(const std::filesystem::path& file,
                                                               std::string_view bytes) const;
    [[nodiscard]] moviehost::Expected<void, std::string> remove(const std::filesystem::path& file) const;
    [[nodiscard]] size_t limit() const { return m_limit; }
    [[nodiscard]] const std::filesystem::path& folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
    size_t m_limit = DefaultLimit;
};

}  // namespace amf
