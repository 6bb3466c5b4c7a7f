// Counts what keeps the module in use: live objects (controls, class
// factories) and IClassFactory::LockServer locks. DllCanUnloadNow answers from
// these counts; they are the module's one piece of process-wide state.
#pragma once

namespace control {

void lockModule() noexcept;
void unlockModule() noexcept;
// LockServer: an unlock without a matching lock is ignored, so a careless
// client cannot make the module look unused while objects live.
void lockServer() noexcept;
void unlockServer() noexcept;
[[nodiscard]] bool moduleInUse() noexcept;

// Holds one count for the lifetime of an object.
class ModuleReference {
public:
    ModuleReference() noexcept { lockModule(); }
    ~ModuleReference() { unlockModule(); }
    ModuleReference(const ModuleReference&) = delete;
    ModuleReference& operator=(const ModuleReference&) = delete;
};

}  // namespace control
