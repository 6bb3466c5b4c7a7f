#include "progress_line.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

#include <iomanip>
#include <iostream>
#include <sstream>

namespace moviecapture {

ProgressLine::ProgressLine(std::ostream& out, std::uint64_t total, std::string where)
    : m_out(out), m_total(total), m_where(std::move(where)), m_live(&out == &std::cerr && isatty(STDERR_FILENO)) {}

void ProgressLine::show(std::uint64_t number) {
    const std::uint64_t total = std::max<std::uint64_t>(m_total, 1);
    const std::uint64_t tenth = number * 10 / total;
    if (!m_live && tenth == m_lastTenth && number != total)
        return;
    m_lastTenth = tenth;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    const double rate = seconds > 0 ? static_cast<double>(number) / seconds : 0.0;
    std::ostringstream line;
    line << "moviecapture: " << number << "/" << m_total << " frames (" << number * 100 / total << "%) written to "
         << m_where << ", " << std::fixed << std::setprecision(1) << rate << " fps";
    if (rate > 0 && number < m_total)
        line << ", about " << std::setprecision(0) << static_cast<double>(m_total - number) / rate << " s left";
    if (m_live) {
        // Pads over the rest of a longer line written before.
        m_out << "\r" << line.str() << "\x1b[K" << std::flush;
        m_shown = true;
    } else {
        m_out << line.str() << "\n" << std::flush;
    }
}

void ProgressLine::end() {
    if (m_shown)
        m_out << "\n" << std::flush;
    m_shown = false;
}

}  // namespace moviecapture
