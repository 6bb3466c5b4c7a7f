// With the virtual clock, records go from the input thread to the host
// thread through this inbox instead of the message queue, so that the host
// thread, not thread timing, decides which frame each record reaches.
//
// The rule: before drawing frame f (counted from 1) the host thread takes, in
// order, every record whose time is 0 or at most f, up to the first record
// timed after f. It draws only once it knows that no other record can still
// come for f: the inbox holds a record timed after f, or the input has ended
// (end of file, parent gone), or the input thread has looked into the pipe
// after the frame began and found nothing more (everything the parent had
// written by then is read). A parent that sends its session before reading
// frames thus gets the same frames on every run, and one that sends nothing
// is never held up.
#pragma once

#include "record_reader.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class RecordInbox {
public:
    // Records read and not yet taken; the input thread waits beyond this
    // (the pipe then fills and slows the parent).
    static constexpr std::size_t Capacity = 65536;

    // ---- the input thread's side ----
    // False when the inbox is full; nothing is added then.
    [[nodiscard]] bool TryPush(const InputRecord& record);
    // No record will follow (end of file, a failed channel, a gone parent).
    void MarkEnded();
    // A look into the pipe begins; its answer is for the requests made so
    // far.
    [[nodiscard]] std::uint64_t BeginLook();
    // That look found the pipe empty between two records.
    void AnswerLook(std::uint64_t look);
    // Wait up to `milliseconds` (real time) for the host thread to ask for a
    // look, or for room to push.
    void WaitForRequest(unsigned milliseconds);
    void WaitForRoom(unsigned milliseconds);

    // ---- the host thread's side ----
    // Moves the records that apply before drawing `frame` into `into`, in
    // order, waiting until the inbox knows them all (see the rule above).
    // Stops early, with what it has, once `Interrupt` was called.
    void TakeFor(std::uint64_t frame, std::vector<InputRecord>& into);
    // Ends every wait of TakeFor, for good.
    void Interrupt();

private:
    // Moves the records due by `frame`; true when the first one left is timed
    // after it.
    bool MoveDue(std::uint64_t frame, std::vector<InputRecord>& into);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<InputRecord> m_records;
    bool m_ended = false;
    bool m_interrupted = false;
    std::uint64_t m_requested = 0;
    std::uint64_t m_answered = 0;
};
