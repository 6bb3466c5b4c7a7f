#include "png_folder_sink.h"

#include "png_file.h"

#include <system_error>

namespace moviecapture {

std::string frameFileName(std::uint64_t number, std::uint64_t total) {
    const std::size_t digits = std::max<std::size_t>(5, std::to_string(total).size());
    std::string counter = std::to_string(number);
    if (counter.size() < digits)
        counter.insert(0, digits - counter.size(), '0');
    return "frame_" + counter + ".png";
}

PngFolderSink::PngFolderSink(std::filesystem::path folder, std::uint64_t total, std::ostream& progress)
    : m_folder(std::move(folder)), m_total(total), m_progress(progress, total, m_folder.string()) {}

std::optional<std::string> PngFolderSink::open() {
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    if (error)
        return "cannot create the output folder " + m_folder.string() + ": " + error.message();
    if (!std::filesystem::is_directory(m_folder, error))
        return "the output folder " + m_folder.string() + " is not a folder";
    return std::nullopt;
}

std::optional<std::string> PngFolderSink::write(const moviehost::client::Frame& frame, std::uint64_t number) {
    const auto path = m_folder / frameFileName(number, m_total);
    if (auto failure = writePngFile(path, frame))
        return "cannot write " + path.string() + ": " + *failure;
    m_progress.show(number);
    return std::nullopt;
}

std::optional<std::string> PngFolderSink::close() {
    // The progress line ends before anything else is said on the stream.
    m_progress.end();
    return std::nullopt;
}

}  // namespace moviecapture
