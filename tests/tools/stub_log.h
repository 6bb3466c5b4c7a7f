#pragma once
// The stub host's log, as the parent-side tests read it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace moviehost::testing {

struct StubRecord {
    std::uint32_t message{0};
    std::uint32_t wParam{0};
    std::uint32_t lParam{0};
    std::uint32_t time{0};
    std::uint32_t after{0};  // frames the stub had written when the record arrived
};

struct StubLog {
    std::vector<std::string> lines;

    [[nodiscard]] std::vector<StubRecord> records() const;
    // The value of `key=` on the start line ("argv0", "argc", ...).
    [[nodiscard]] std::optional<std::string> startValue(const std::string& key) const;
    // The reason on the "end ..." line, empty when the stub did not log one.
    [[nodiscard]] std::string endReason() const;
};

[[nodiscard]] StubLog readStubLog(const std::filesystem::path& path);

}  // namespace moviehost::testing
