// Gathering input records from the parent (their layout is the wire
// protocol's). Only message, wParam, lParam and (with the virtual clock) time
// are used. Records follow each
// other with nothing between them, so the reader must never lose or invent a
// byte: it counts what each read actually delivered.
#pragma once

#include "platform/types.h"

#include <moviehost/wire_protocol.h>

#include <cstdint>
#include <optional>

struct InputRecord {
    using Bytes = moviehost::wire::EncodedRecord;

    UINT message = 0;
    WPARAM wParam = 0;
    // The record's 32 bits, zero-extended: a parent speaks in 32-bit words.
    LPARAM lParam = 0;
    // With the virtual clock, the frame (from 1) before whose drawing the
    // record applies; 0 for as soon as it is read.
    std::uint32_t time = 0;

    [[nodiscard]] static InputRecord Decode(const Bytes& bytes) noexcept;
};

// What the reader needs of the channel and the parent. The platform-backed
// one lives with the input thread; tests script their own.
class InputSource {
public:
    virtual ~InputSource() = default;

    // The host wants the input thread to end.
    [[nodiscard]] virtual bool StopRequested() noexcept = 0;
    // The watched parent has ended, or was never there to watch.
    [[nodiscard]] virtual bool ParentEnded() noexcept = 0;
    // Bytes that can be read now without blocking; nullopt when the channel
    // cannot be looked into.
    [[nodiscard]] virtual std::optional<DWORD> Available() noexcept = 0;
    // Reads at most `count` of the bytes known to be available; the number
    // that came, 0 when the read failed.
    [[nodiscard]] virtual DWORD Read(BYTE* into, DWORD count) noexcept = 0;
    // Waits a little: for bytes to arrive, or before trying again after a
    // pass that gave up.
    virtual void Pause() noexcept = 0;
};

class RecordReader {
public:
    enum class Outcome {
        Record,         // `record` holds a whole record
        ParentGone,     // the parent ended; the partial record is dropped
        ChannelFailed,  // the channel could not be peeked or read; dropped too
        Stopped,        // the host asked the thread to stop
    };

    // Gathers one record, polling while the channel is empty. The parent is
    // checked before every look into the channel, so its end is noticed
    // within one pause even when nothing arrives.
    [[nodiscard]] static Outcome ReadRecord(InputSource& source, InputRecord::Bytes& record) noexcept;
};
