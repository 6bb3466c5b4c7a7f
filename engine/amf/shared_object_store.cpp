#include "amf/shared_object_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace amf {

namespace fs = std::filesystem;
using moviehost::Unexpected;

namespace {

constexpr std::string_view ForbiddenInName = "~%&\\;:\"',<>?# ";
constexpr size_t MaxReadBytes = size_t(16) << 20;

// Splits a '/'-separated path into segments, refusing "." and "..".
std::optional<std::vector<std::string>> segmentsOf(std::string_view path) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        if (segment == "." || segment == ".." || segment.find('\0') != std::string_view::npos)
            return std::nullopt;
        if (!segment.empty())
            out.emplace_back(segment);
        start = end + 1;
    }
    return out;
}

std::string errnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

SharedObjectStore SharedObjectStore::fromEnvironment(size_t limit) {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return SharedObjectStore(fs::path(data) / "moviehost", limit);
    const char* home = std::getenv("HOME");
    return SharedObjectStore(fs::path(home != nullptr && home[0] == '/' ? home : "/tmp") / ".local/share/moviehost",
                             limit);
}

moviehost::Expected<fs::path, std::string> SharedObjectStore::pathFor(std::string_view host, std::string_view moviePath,
                                                                      std::string_view name,
                                                                      std::optional<std::string_view> localPath) const {
    if (name.empty())
        return Unexpected(std::string("a shared object needs a name"));
    if (name.find_first_of(ForbiddenInName) != std::string_view::npos)
        return Unexpected("the shared object name \"" + std::string(name) + "\" holds a character names may not have");
    const auto nameSegments = segmentsOf(name);
    if (!nameSegments || nameSegments->empty())
        return Unexpected("the shared object name \"" + std::string(name) + "\" is not a plain name");
    std::string_view folder = moviePath;
    if (localPath) {
        // The local path must be the movie's path or a folder above it.
        std::string_view prefix = *localPath;
        while (prefix.size() > 1 && prefix.back() == '/')
            prefix.remove_suffix(1);
        const bool matches = prefix == "/" || moviePath == prefix ||
                             (moviePath.substr(0, prefix.size()) == prefix && moviePath.size() > prefix.size() &&
                              moviePath[prefix.size()] == '/');
        if (prefix.empty() || !matches)
            return Unexpected("the local path \"" + std::string(*localPath) + "\" is not a part of the movie's path");
        folder = prefix;
    }
    const auto folderSegments = segmentsOf(folder);
    const auto hostSegments = segmentsOf(host.empty() ? std::string_view("localhost") : host);
    if (!folderSegments || !hostSegments || hostSegments->size() != 1)
        return Unexpected(std::string("the movie's location cannot name a shared object"));
    fs::path file = m_folder / hostSegments->front();
    for (const auto& segment : *folderSegments)
        file /= segment;
    for (size_t i = 0; i + 1 < nameSegments->size(); ++i)
        file /= (*nameSegments)[i];
    file /= nameSegments->back() + ".sol";
    return file;
}

moviehost::Expected<std::string, std::string> SharedObjectStore::read(const fs::path& file) const {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::string();
    std::string bytes;
    char buffer[1 << 14];
    while (in) {
        in.read(buffer, sizeof buffer);
        bytes.append(buffer, size_t(in.gcount()));
        if (bytes.size() > MaxReadBytes)
            return Unexpected(std::string("the stored shared object is too large to read"));
    }
    if (in.bad())
        return Unexpected(std::string("the stored shared object could not be read"));
    return bytes;
}

moviehost::Expected<void, std::string> SharedObjectStore::write(const fs::path& file, std::string_view bytes) const {
    if (bytes.size() > m_limit)
        return Unexpected("the shared object needs " + std::to_string(bytes.size()) +
                          " bytes, more than the limit of " + std::to_string(m_limit));
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error)
        return Unexpected("the folder " + file.parent_path().string() + " cannot be made: " + error.message());
    std::string temporary = file.string() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return Unexpected(errnoText("a temporary file cannot be made"));
    size_t written = 0;
    bool ok = true;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        written += size_t(n);
    }
    ok = ok && ::fsync(fd) == 0;
    const std::string failure = ok ? std::string() : errnoText("the shared object could not be written");
    ::close(fd);
    if (!ok || ::rename(temporary.c_str(), file.c_str()) != 0) {
        const std::string reason = ok ? errnoText("the shared object could not be put in place") : failure;
        ::unlink(temporary.c_str());
        return Unexpected(reason);
    }
    // The rename itself must reach the disk.
    const int folder = ::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

moviehost::Expected<void, std::string> SharedObjectStore::remove(const fs::path& file) const {
    std::error_code error;
    fs::remove(file, error);
    if (error)
        return Unexpected("the shared object could not be removed: " + error.message());
    return {};
}

}  // namespace amf
