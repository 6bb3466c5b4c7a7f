// The memory limit of the script heap.
#include "script/memory_meter.h"

#include "script/script_abort.h"

namespace script {

void MemoryMeter::charge(size_t bytes) {
    if (bytes > m_limit || m_bytes > m_limit - bytes)
        abortScript(ScriptErrorKind::MemoryLimit, "the scripts' memory limit was reached");
    m_bytes += bytes;
}

}  // namespace script
