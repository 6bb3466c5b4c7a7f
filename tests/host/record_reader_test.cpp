// The record reader against a scripted channel: how pieces become records.
#include "record_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <numeric>
#include <optional>
#include <variant>
#include <vector>

namespace {

// One step of the script: bytes that become available, an empty look, a
// failing look, the parent ending, or a read that delivers fewer bytes.
struct Bytes {
    std::vector<BYTE> data;
};
struct Empty {};
struct PeekFails {};
struct ParentEnds {};
struct ShortRead {
    DWORD atMost = 0;
};
using Step = std::variant<Bytes, Empty, PeekFails, ParentEnds, ShortRead>;

class ScriptedSource final : public InputSource {
public:
    explicit ScriptedSource(std::vector<Step> script) : m_script(script.begin(), script.end()) {}

    bool StopRequested() noexcept override { return m_script.empty() && m_buffer.empty(); }
    bool ParentEnded() noexcept override {
        ++parentChecks;
        if (!m_script.empty() && std::holds_alternative<ParentEnds>(m_script.front()))
            return true;
        return false;
    }
    std::optional<DWORD> Available() noexcept override {
        ++peeks;
        if (m_buffer.empty() && !m_script.empty()) {
            Step step = m_script.front();
            if (std::holds_alternative<PeekFails>(step)) {
                m_script.pop_front();
                return std::nullopt;
            }
            if (std::holds_alternative<Empty>(step)) {
                m_script.pop_front();
                return 0;
            }
            if (auto* shortRead = std::get_if<ShortRead>(&step)) {
                m_readLimit = shortRead->atMost;
                m_script.pop_front();
            }
            if (!m_script.empty())
                if (auto* bytes = std::get_if<Bytes>(&m_script.front())) {
                    m_buffer.insert(m_buffer.end(), bytes->data.begin(), bytes->data.end());
                    m_script.pop_front();
                }
        }
        return static_cast<DWORD>(m_buffer.size());
    }
    DWORD Read(BYTE* into, DWORD count) noexcept override {
        requested.push_back(count);
        DWORD n = std::min<DWORD>(count, static_cast<DWORD>(m_buffer.size()));
        if (m_readLimit) {
            n = std::min(n, m_readLimit);
            m_readLimit = 0;
        }
        std::copy_n(m_buffer.begin(), n, into);
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + n);
        return n;
    }
    void Pause() noexcept override { ++pauses; }

    int parentChecks = 0;
    int peeks = 0;
    int pauses = 0;
    std::vector<DWORD> requested;

private:
    std::deque<Step> m_script;
    std::deque<BYTE> m_buffer;
    DWORD m_readLimit = 0;
};

// A record whose every byte tells its place: byte i of record r is r * RecordBytes + i.
std::vector<BYTE> numberedBytes(std::size_t count, std::size_t start = 0) {
    std::vector<BYTE> bytes(count);
    std::iota(bytes.begin(), bytes.end(), static_cast<BYTE>(start));
    return bytes;
}

std::vector<BYTE> slice(const std::vector<BYTE>& bytes, std::size_t from, std::size_t count) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

std::vector<BYTE> asVector(const InputRecord::Bytes& record) { return {record.begin(), record.end()}; }

constexpr std::size_t RecordSize = moviehost::wire::RecordBytes;

TEST(RecordReader, PiecesOfTenTenAndEightMakeOneRecord) {
    const std::vector<BYTE> whole = numberedBytes(RecordSize);
    ScriptedSource source({Bytes{slice(whole, 0, 10)}, Empty{}, Bytes{slice(whole, 10, 10)}, Empty{}, Empty{},
                           Bytes{slice(whole, 20, RecordSize - 20)}});
    InputRecord::Bytes record{};
    ASSERT_EQ(RecordReader::ReadRecord(source, record), RecordReader::Outcome::Record);
    EXPECT_EQ(asVector(record), whole);
    EXPECT_EQ(source.pauses, 3) << "each empty look waits once";
    EXPECT_EQ(source.requested, (std::vector<DWORD>{10, 10, RecordSize - 20}));
    // Nothing is left over for another record.
    EXPECT_EQ(RecordReader::ReadRecord(source, record), RecordReader::Outcome::Stopped);
}

TEST(RecordReader, FiftySixBytesAtOnceMakeTwoRecordsInOrder) {
    const std::vector<BYTE> both = numberedBytes(2 * RecordSize);
    ScriptedSource source({Bytes{both}});
    InputRecord::Bytes first{};
    InputRecord::Bytes second{};
    ASSERT_EQ(RecordReader::ReadRecord(source, first), RecordReader::Outcome::Record);
    ASSERT_EQ(RecordReader::ReadRecord(source, second), RecordReader::Outcome::Record);
    EXPECT_EQ(asVector(first), slice(both, 0, RecordSize));
    EXPECT_EQ(asVector(second), slice(both, RecordSize, RecordSize));
    EXPECT_EQ(source.requested, (std::vector<DWORD>{RecordSize, RecordSize}))
        << "never more than the record still needs";
}

TEST(RecordReader, ShortReadsAreCountedNotAssumed) {
    const std::vector<BYTE> whole = numberedBytes(RecordSize, 100);
    ScriptedSource source({ShortRead{3}, Bytes{whole}});
    InputRecord::Bytes record{};
    ASSERT_EQ(RecordReader::ReadRecord(source, record), RecordReader::Outcome::Record);
    EXPECT_EQ(asVector(record), whole);
    EXPECT_EQ(source.requested, (std::vector<DWORD>{RecordSize, RecordSize - 3}));
}

TEST(RecordReader, ParentCheckedBeforeEveryLookEvenMidRecord) {
    ScriptedSource source({Bytes{numberedBytes(10)}, Empty{}, ParentEnds{}});
    InputRecord::Bytes record{};
    EXPECT_EQ(RecordReader::ReadRecord(source, record), RecordReader::Outcome::ParentGone);
    EXPECT_EQ(source.parentChecks, source.peeks + 1) << "one check before each look, and the last one ends it";
}

TEST(RecordReader, FailedLookGivesUpWithoutARecord) {
    ScriptedSource source({Bytes{numberedBytes(10)}, PeekFails{}, Bytes{numberedBytes(RecordSize)}});
    InputRecord::Bytes record{};
    EXPECT_EQ(RecordReader::ReadRecord(source, record), RecordReader::Outcome::ChannelFailed);
    // The next pass starts a fresh record: the partial one was dropped.
    ASSERT_EQ(RecordReader::ReadRecord(source, record), RecordReader::Outcome::Record);
    EXPECT_EQ(asVector(record), numberedBytes(RecordSize));
}

TEST(RecordReader, ReadThatDeliversNothingIsAFailure) {
    // Bytes seen by the look are gone by the read.
    class VanishingSource final : public InputSource {
    public:
        bool StopRequested() noexcept override { return false; }
        bool ParentEnded() noexcept override { return false; }
        std::optional<DWORD> Available() noexcept override { return 5; }
        DWORD Read(BYTE*, DWORD) noexcept override { return 0; }
        void Pause() noexcept override {}
    } vanishing;
    InputRecord::Bytes record{};
    EXPECT_EQ(RecordReader::ReadRecord(vanishing, record), RecordReader::Outcome::ChannelFailed);
}

TEST(InputRecord, DecodesLittleEndianFieldsAndIgnoresTheRest) {
    InputRecord::Bytes bytes{};
    std::fill(bytes.begin(), bytes.end(), BYTE{0xEE});  // window, time and point: ignored
    const BYTE fields[] = {0x01, 0x02, 0x00, 0x00,      // message 0x201
                           0x78, 0x56, 0x34, 0x12,      // wParam
                           0x01, 0x00, 0xFF, 0xFF};     // lParam 0xFFFF0001
    std::copy(std::begin(fields), std::end(fields), bytes.begin() + moviehost::wire::RecordMessageAt);
    const InputRecord record = InputRecord::Decode(bytes);
    EXPECT_EQ(record.message, 0x201u);
    EXPECT_EQ(record.wParam, WPARAM{0x12345678u});
    EXPECT_EQ(record.lParam, LPARAM{0xFFFF0001u}) << "32 bits, zero-extended";
}

}  // namespace
