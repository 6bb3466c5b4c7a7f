#include "control/movie_file.h"

#include "platform/wide.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <new>
#include <vector>

namespace control {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    [[nodiscard]] int get() const noexcept { return m_fd; }

private:
    int m_fd = -1;
};

Failure failure(HRESULT code, const std::string& path, std::u16string_view why) {
    std::u16string text = u"cannot load the movie \"";
    text += platform::utf8_to_utf16(path);
    text += u"\": ";
    text += why;
    return Failure{code, std::move(text)};
}

Failure openFailure(int error, const std::string& path) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return failure(FileNotFound, path, u"the file does not exist");
    case EACCES:
    case EPERM:
        return failure(AccessDenied, path, u"permission to read it is denied");
    case EISDIR:
        return failure(AccessDenied, path, u"it is a folder, not a file");
    case ENOMEM:
        return failure(E_OUTOFMEMORY, path, u"out of memory");
    default:
        return failure(ReadFault, path, u"the file cannot be opened");
    }
}

// Reads at most `limit` bytes: the parser cuts longer files there anyway.
moviehost::Expected<std::vector<uint8_t>, Failure> readFile(const std::string& path, size_t limit) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return openFailure(errno, path);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return openFailure(errno, path);
    if (S_ISDIR(info.st_mode))
        return openFailure(EISDIR, path);

    std::vector<uint8_t> bytes;
    constexpr size_t kStep = size_t(1) << 20;
    for (;;) {
        const size_t used = bytes.size();
        if (used >= limit)
            break;
        const size_t want = std::min(kStep, limit - used);
        bytes.resize(used + want);
        const ssize_t got = ::read(file.get(), bytes.data() + used, want);
        if (got < 0) {
            if (errno == EINTR) {
                bytes.resize(used);
                continue;
            }
            return failure(ReadFault, path, u"reading the file failed");
        }
        bytes.resize(used + size_t(got));
        if (got == 0)
            break;
    }
    return bytes;
}

}  // namespace

moviehost::Expected<std::shared_ptr<const swf::Movie>, Failure> parseMovieBytes(const std::vector<uint8_t>& bytes,
                                                                                const std::string& name,
                                                                                const swf::ParseOptions& options) {
    try {
        auto parsed = swf::parseMovie(bytes, options);
        if (parsed.has_value())
            return parsed.value();
        const swf::ErrorCode code = parsed.error().code;
        const std::u16string why = platform::utf8_to_utf16(swf::describe(code));
        switch (code) {
        case swf::ErrorCode::UnsupportedCompression:
            return failure(NotSupported, name, why);
        case swf::ErrorCode::ReadFailed:
            return failure(ReadFault, name, why);
        default:
            return failure(BadFormat, name, why);
        }
    } catch (const std::bad_alloc&) {
        return failure(E_OUTOFMEMORY, name, u"out of memory");
    }
}

moviehost::Expected<std::shared_ptr<const swf::Movie>, Failure> loadMovieFile(const std::string& path,
                                                                              const swf::ParseOptions& options) {
    try {
        auto read = readFile(path, options.maxMovieBytes);
        if (!read)
            return std::move(read).error();
        return parseMovieBytes(read.value(), path, options);
    } catch (const std::bad_alloc&) {
        return failure(E_OUTOFMEMORY, path, u"out of memory");
    }
}

}  // namespace control
