// Blocks inside a block: Try (with catch and finally) and With.
#include "script/interpreter.h"

#include "script/action_codes.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/runtime.h"
#include "script/variables.h"

namespace script {

Interpreter::Completion Interpreter::doTry(Frame& f, const Record& r, size_t& pc) {
    // Nested blocks recurse like calls and count against the same depth.
    Runtime::CallDepth depth(m_rt);
    std::span<const uint8_t> p = r.payload;
    const uint8_t flags = p[0];
    const bool hasCatch = flags & TryFlag::HasCatch;
    const bool hasFinally = flags & TryFlag::HasFinally;
    const bool catchInRegister = flags & TryFlag::CatchInRegister;
    const size_t trySize = readU16(p, 1);
    const size_t catchSize = readU16(p, 3);
    const size_t finallySize = readU16(p, 5);
    uint8_t catchRegister = 0;
    String catchName;
    if (catchInRegister) {
        if (p.size() < 8)
            malformed("a Try is cut off");
        catchRegister = p[7];
    } else {
        size_t at = 7;
        catchName = readString(p, at);
    }
    const size_t tryStart = pc;
    const size_t catchStart = tryStart + trySize;
    const size_t finallyStart = catchStart + catchSize;
    const size_t after = finallyStart + finallySize;
    if (after > f.code.size())
        malformed("a Try block runs past the end of its action block");

    const size_t height = m_rt.stack.size();
    const size_t scopes = f.scopes.size();
    const uint32_t withDepth = f.withDepth;
    auto unwind = [&] {
        if (m_rt.stack.size() > height)
            m_rt.stack.resize(height);
        f.scopes.resize(scopes);
        f.withDepth = withDepth;
    };

    Completion c;
    bool pending = false;
    Value thrown;
    try {
        c = execute(f, tryStart, catchStart);
    } catch (ScriptThrow& t) {
        unwind();
        pending = true;
        thrown = std::move(t.value);
    }
    if (pending && hasCatch) {
        pending = false;
        if (catchInRegister) {
            if (catchRegister < f.registers.size())
                f.registers[catchRegister] = thrown;
        } else {
            defineLocal(m_rt, f, catchName.view(), thrown);
        }
        try {
            c = execute(f, catchStart, finallyStart);
        } catch (ScriptThrow& t) {
            unwind();
            pending = true;
            thrown = std::move(t.value);
        }
    }
    if (hasFinally) {
        Completion fc = execute(f, finallyStart, after);
        if (fc.exit != Exit::Normal) {
            // A return or jump out of finally replaces whatever was pending.
            pending = false;
            c = std::move(fc);
        }
    }
    if (pending)
        throw ScriptThrow{std::move(thrown)};
    if (c.exit == Exit::Normal) {
        pc = after;
        return {};
    }
    if (c.exit == Exit::Jump && c.target == after) {
        pc = after;
        return {};
    }
    return c;
}

Interpreter::Completion Interpreter::doWith(Frame& f, const Record& r, size_t& pc) {
    Runtime::CallDepth depth(m_rt);
    const size_t start = pc;
    const size_t stop = start + readU16(r.payload, 0);
    if (stop > f.code.size())
        malformed("a With block runs past the end of its action block");
    Object* object = toObject(m_rt, pop(f));
    if (object && f.withDepth >= m_rt.limits.maxWithDepth)
        abortScript(ScriptErrorKind::StackLimit, "With blocks are nested too deeply");
    const size_t scopes = f.scopes.size();
    if (object) {
        f.scopes.push_back(object);
        ++f.withDepth;
    }
    struct Restore {
        Frame& f;
        size_t scopes;
        bool pushed;
        ~Restore() {
            f.scopes.resize(scopes);
            if (pushed)
                --f.withDepth;
        }
    } restore{f, scopes, object != nullptr};
    Completion c = execute(f, start, stop);
    if (c.exit == Exit::Normal || (c.exit == Exit::Jump && c.target == stop)) {
        pc = stop;
        return {};
    }
    return c;
}

}  // namespace script
