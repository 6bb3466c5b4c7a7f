#include "stub_log.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace moviehost::testing {

StubLog readStubLog(const std::filesystem::path& path) {
    StubLog log;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        log.lines.push_back(line);
    return log;
}

std::vector<StubRecord> StubLog::records() const {
    std::vector<StubRecord> records;
    for (const auto& line : lines) {
        StubRecord record;
        if (std::sscanf(line.c_str(), "record message=%u wparam=%u lparam=%u time=%u after=%u", &record.message,
                        &record.wParam, &record.lParam, &record.time, &record.after) == 5)
            records.push_back(record);
    }
    return records;
}

std::optional<std::string> StubLog::startValue(const std::string& key) const {
    for (const auto& line : lines) {
        if (line.rfind("start ", 0) != 0)
            continue;
        // Values may hold spaces only in argv0, which the tests keep plain.
        std::istringstream words(line.substr(6));
        for (std::string word; words >> word;)
            if (word.rfind(key + "=", 0) == 0)
                return word.substr(key.size() + 1);
    }
    return std::nullopt;
}

std::string StubLog::endReason() const {
    for (const auto& line : lines)
        if (line.rfind("end ", 0) == 0)
            return line.substr(4);
    return {};
}

}  // namespace moviehost::testing
