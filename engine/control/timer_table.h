// A thread timer's procedure learns only the timer's id, so the module keeps
// one table from (thread, id) to the object that owns the timer. An owner
// that stops its timer from another thread than the timer's cannot kill it
// there; its entry goes, and the timer's next WM_TIMER, finding none, kills
// it on its own thread.
#pragma once

#include "platform/types.h"

namespace control::timer_table {

void add(DWORD thread, UINT_PTR id, void* owner);
[[nodiscard]] void* find(DWORD thread, UINT_PTR id);
void forget(DWORD thread, UINT_PTR id);

}  // namespace control::timer_table
