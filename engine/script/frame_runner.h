// Runs what the stage queued, round by round: in each round the init
// actions first, then the new clips of the round are constructed (see
// ensureConstructed), then (on a tick, first round only) the enterFrame
// events, then frame actions, load and unload events in queue order.
// Actions that scripts queue meanwhile make the next round (first in, first
// out), up to Limits::maxQueueRounds.
#pragma once

#include "model/pending_action.h"

namespace script {

class Runtime;

class FrameRunner {
public:
    explicit FrameRunner(Runtime& rt) : m_rt(rt) {}

    // Empties the stage's queue. `tick`: this follows Stage::advance(), so
    // the enterFrame events belong in the first round.
    void drain(bool tick);
    // setInterval / setTimeout timers that are due on the host's clock.
    void runTimers();

private:
    void run(const model::PendingAction& action);

    Runtime& m_rt;
};

}  // namespace script
