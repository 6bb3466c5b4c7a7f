// The inbox's rule: which records a frame takes, and when a frame may go on
// without more input.
#include "record_inbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

InputRecord timed(UINT message, std::uint32_t time) {
    InputRecord record;
    record.message = message;
    record.time = time;
    return record;
}

std::vector<UINT> messagesOf(const std::vector<InputRecord>& records) {
    std::vector<UINT> messages;
    for (const InputRecord& record : records)
        messages.push_back(record.message);
    return messages;
}

// Records apply in order, each before the frame its time names (time 0: the
// next frame), and none passes a record held for a later frame.
TEST(RecordInbox, AFrameTakesItsRecordsInOrderUpToTheFirstHeldOne) {
    RecordInbox inbox;
    for (const InputRecord& record : {timed(1, 0), timed(2, 3), timed(3, 0), timed(4, 2), timed(5, 5), timed(6, 0)})
        ASSERT_TRUE(inbox.TryPush(record));
    inbox.MarkEnded();
    const struct {
        std::uint64_t frame;
        std::vector<UINT> taken;
    } steps[] = {{1, {1}}, {2, {}}, {3, {2, 3, 4}}, {4, {}}, {5, {5, 6}}, {6, {}}};
    for (const auto& step : steps) {
        std::vector<InputRecord> taken;
        inbox.TakeFor(step.frame, taken);
        EXPECT_EQ(messagesOf(taken), step.taken) << "frame " << step.frame;
    }
}

// With nothing held and input still open, a frame waits for a look into the
// pipe that begins after it asked; an earlier look does not count.
TEST(RecordInbox, AnEmptyInboxWaitsForAFreshLookUnlessInputEnded) {
    RecordInbox inbox;
    const std::uint64_t early = inbox.BeginLook();
    std::atomic<bool> done = false;
    std::thread frame([&] {
        std::vector<InputRecord> taken;
        inbox.TakeFor(1, taken);
        done = true;
    });
    inbox.AnswerLook(early);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done) << "a look begun before the request answered it";
    // The input thread's pause ends on the request.
    inbox.WaitForRequest(10'000);
    inbox.AnswerLook(inbox.BeginLook());
    frame.join();
    EXPECT_TRUE(done);

    inbox.MarkEnded();
    std::vector<InputRecord> taken;
    inbox.TakeFor(2, taken);  // returns at once
    EXPECT_TRUE(taken.empty());
}

TEST(RecordInbox, AFullInboxRefusesUntilAFrameTakesRecords) {
    RecordInbox inbox;
    for (std::size_t i = 0; i < RecordInbox::Capacity; ++i)
        ASSERT_TRUE(inbox.TryPush(timed(1, 2)));
    EXPECT_FALSE(inbox.TryPush(timed(2, 2)));
    std::vector<InputRecord> taken;
    inbox.TakeFor(1, taken);  // everything is held for frame 2: known at once
    EXPECT_TRUE(taken.empty());
    inbox.MarkEnded();  // else frame 2 would wait for a look, with nothing left
    inbox.TakeFor(2, taken);
    EXPECT_EQ(taken.size(), RecordInbox::Capacity);
    EXPECT_TRUE(inbox.TryPush(timed(2, 2)));
}

}  // namespace
