#pragma once
// Where captured frames go: PNG files in a folder, or raw bytes on a stream.

#include <moviehost/client/frame.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace moviecapture {

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Gets ready to take frames; returns a message when it cannot.
    [[nodiscard]] virtual std::optional<std::string> open() = 0;
    // `number` counts from 1. Returns a message when the frame was not stored.
    [[nodiscard]] virtual std::optional<std::string> write(const moviehost::client::Frame& frame,
                                                           std::uint64_t number) = 0;
    // Called once at the end, after success or failure alike.
    [[nodiscard]] virtual std::optional<std::string> close() = 0;
};

// The one progress line both file sinks show on standard error, rewritten in
// place after each frame and ended when the sink closes.
class ProgressLine {
public:
    ProgressLine(std::ostream& out, std::uint64_t total, std::string where)
        : m_out(out), m_total(total), m_where(std::move(where)) {}
    void show(std::uint64_t number) {
        m_out << "\rmoviecapture: " << number << "/" << m_total << " frames written to " << m_where << std::flush;
        m_shown = true;
    }
    void end() {
        if (m_shown)
            m_out << "\n" << std::flush;
        m_shown = false;
    }

private:
    std::ostream& m_out;
    std::uint64_t m_total{0};
    std::string m_where;
    bool m_shown{false};
};

}  // namespace moviecapture
