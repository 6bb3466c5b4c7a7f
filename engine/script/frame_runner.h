// Runs what the stage queued: init actions, frame actions, load and unload
// events, in queue order; on a tick, enterFrame events after the init
// actions and before everything else. Actions that scripts queue meanwhile
// run in later rounds (first in, first out), up to Limits::maxQueueRounds.
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

} // namespace script
