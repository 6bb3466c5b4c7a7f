// The ActionScript 3 machine of one movie: loaded ABC files, the heap and
// its roots, the value stack of the running frames, and the entry points
// the control calls. Every entry runs under the limits: an instruction
// budget, a call depth and the heap limit; a script that reaches one, or
// throws an exception nothing catches, ends the entry with an Error and
// leaves the machine usable.
#pragma once

#include "avm2/abc_file.h"
#include "avm2/class_object.h"
#include "avm2/domain.h"
#include "avm2/error.h"
#include "avm2/heap.h"
#include "avm2/limits.h"
#include "avm2/object.h"
#include "avm2/prepared_code.h"
#include "avm2/string.h"
#include "moviehost/expected.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace avm2 {

// A loaded file: its contents, each body prepared for the interpreter and
// its strings as heap strings (rooted by the machine).
struct LoadedAbc {
    AbcFile abc;
    // The domain its scripts declare their definitions in and look names up in.
    Domain* domain = nullptr;
    std::vector<PreparedBody> bodies;
    std::vector<String*> strings;  // interned
    std::vector<Namespace*> namespaces;
    std::vector<std::vector<Namespace*>> nsSets;
    // Scripts run once, on first need; their global objects and traits.
    std::vector<Object*> scriptGlobals;
    std::vector<std::unique_ptr<Traits>> scriptTraits;
    // Classes made by newclass, by class index.
    std::vector<ClassObject*> classes;
    // Traits of each body's activation object, built on first use.
    std::vector<std::unique_ptr<Traits>> activationTraits;
    // Traits of catch scopes (one slot, the caught value), by body and handler.
    std::map<std::pair<uint32_t, uint32_t>, std::unique_ptr<Traits>> catchTraits;
};

// A native function: the machine, the receiver and the arguments in, a
// value out; it reports failure by throwing through Machine::throwError.
// A native that calls back into script pins the values it still needs
// afterwards (Machine::Pin), since a collection may run inside that call.
class Machine;
using NativeCode = Value (*)(Machine& machine, Value thisValue, std::span<const Value> args);

class NativeFunction : public Object {
public:
    NativeFunction(Object* proto, NativeCode code) : Object(proto, 0), m_code(code) {}
    [[nodiscard]] NativeCode code() const { return m_code; }

private:
    NativeCode m_code;
};

// Thrown through C++ frames while an exception of the script unwinds; the
// value itself is held by the machine, where the collector sees it.
struct ScriptThrow {};
// Thrown when a limit stops the script; no handler of the script sees it.
struct ScriptStop {
    std::string what;
};

class Machine final : private RootSource {
public:
    explicit Machine(Limits limits = {});
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Parses, verifies and prepares a block and declares its scripts'
    // definitions in the domain (the main one when null). A block that
    // fails is not kept.
    [[nodiscard]] moviehost::Expected<const LoadedAbc*, Error> load(std::span<const uint8_t> bytes,
                                                                    Domain* domain = nullptr);
    // The system domain holds no file's definitions (the core and host
    // classes answer before any domain); the main movie's files load into a
    // child of it.
    [[nodiscard]] Domain* systemDomain() const { return m_domains[0].get(); }
    [[nodiscard]] Domain* mainDomain() const { return m_domains[1].get(); }
    // A new domain, a child of `parent` (of the system domain when null);
    // the machine keeps it as long as it lives, like the files loaded in it,
    // so there are at most MaxDomains: null past that.
    static constexpr size_t MaxDomains = 1024;
    [[nodiscard]] Domain* newDomain(Domain* parent);
    // The domain of the running script's code (the main one between entries).
    [[nodiscard]] Domain* runningDomain() const {
        return m_frame && m_frame->file && m_frame->file->domain ? m_frame->file->domain : mainDomain();
    }
    // Runs the block's last script, its entry point (the others run when a
    // definition of theirs is first needed).
    [[nodiscard]] moviehost::Expected<Value, Error> runEntry(const LoadedAbc& file);

    // Entry points. A returned value stays valid until the next entry.
    [[nodiscard]] moviehost::Expected<Value, Error> callMethod(const LoadedAbc& file, uint32_t method, Value thisValue,
                                                               std::span<const Value> args);
    [[nodiscard]] moviehost::Expected<Value, Error> callFunction(Value function, Value thisValue,
                                                                 std::span<const Value> args);
    // Native work of the host (dispatching an event to many listeners) as
    // one entry, under the same limits.
    [[nodiscard]] moviehost::Expected<Value, Error> run(const std::function<Value()>& body);

    [[nodiscard]] Heap& heap() { return m_heap; }
    [[nodiscard]] Object* global() const { return m_global; }
    [[nodiscard]] const Limits& limits() const { return m_limits; }
    // The byte array the domain-memory instructions read and write (set by
    // ApplicationDomain.domainMemory); none by default.
    void setDomainMemory(std::vector<uint8_t>* memory) { m_domainMemory = memory; }
    // Collects now; only between entries or at a safe point of the interpreter.
    size_t collect() { return m_heap.collect(); }

    // Values made by natives and the control.
    [[nodiscard]] Value string(std::u16string text);
    // The one string of this text that names are compared by.
    [[nodiscard]] String* intern(const std::u16string& text);
    [[nodiscard]] const String* findInterned(std::u16string_view text) const;
    [[nodiscard]] Namespace* internNamespace(NamespaceGroup group, const std::u16string& uri);
    [[nodiscard]] Namespace* publicNamespace() const { return m_public; }
    // A global definition by qualified name: a class of the core library or
    // one a loaded script declares (running that script first if it has
    // not run), as the domain sees it (the running one when null).
    // Undefined when there is none.
    [[nodiscard]] Value findDefinition(const QName& name, const Domain* domain = nullptr);
    [[nodiscard]] ClassObject* coreClass(std::u16string_view name);
    // A core or host class by its qualified name ("flash.events.Event",
    // "flash.events::Event" or a top-level "Array").
    [[nodiscard]] ClassObject* coreClass(std::u16string_view package, std::u16string_view name);
    // Declares a core class (the core library's tables do this at start; a
    // host adds its own classes the same way before any file loads).
    ClassObject* defineCoreClass(const struct CoreClassSpec& spec);
    void definePackageFunction(const struct PackageFunction& function);
    // A definition by its name as getDefinitionByName spells it: a
    // dotted package path or "package::Name", in the domain (the running
    // one when null). Undefined when there is none.
    [[nodiscard]] Value findDefinitionByName(std::u16string_view name, const Domain* domain = nullptr);
    // What the host hangs on the machine for its natives to find.
    void setHostData(void* data) { m_hostData = data; }
    [[nodiscard]] void* hostData() const { return m_hostData; }
    // The code file of the innermost script method running (null outside
    // scripts): whose movie the running code belongs to.
    [[nodiscard]] const LoadedAbc* runningFile() const {
        for (const Frame* f = m_frame; f; f = f->caller) {
            if (f->file)
                return f->file;  // natives run in frames of their own, without a file
        }
        return nullptr;
    }
    // Where trace() output goes; dropped when unset.
    void setTraceSink(std::function<void(const std::u16string&)> sink) { m_trace = std::move(sink); }
    void trace(const std::u16string& text) {
        if (m_trace)
            m_trace(text);
    }
    // Wall-clock milliseconds since 1970 UTC (new Date()): the host's
    // virtual clock when it set one, the system's otherwise.
    void setEpochClock(std::function<double()> clock) { m_epochClock = std::move(clock); }
    [[nodiscard]] double epochMilliseconds() const;
    // Math.random's generator: the same seed gives the same numbers.
    [[nodiscard]] double random();
    void seedRandom(uint64_t seed) { m_random = seed != 0 ? seed : 0x9E3779B97F4A7C15ull; }
    // The class whose prototype a primitive's members come from.
    [[nodiscard]] Object* primitivePrototype(Value v);
    // `new` of a class or function value.
    Value construct(Value constructor, std::span<const Value> args);
    // Whether the value is an instance of the class (or implements it).
    [[nodiscard]] bool isInstance(Value v, const ClassObject* type) const;
    [[nodiscard]] Object* newObject();
    [[nodiscard]] NativeFunction* newNative(NativeCode code);
    [[nodiscard]] ArrayObject* newArray(std::span<const Value> elements = {});
    // Charges memory a native is about to take outside the heap's cells
    // (pixels, decoded media) before it takes it; past the heap limit the
    // script gets Error #1000, which it can catch, and nothing is taken.
    // The next collection counts what stays alive afresh.
    void chargeExternal(size_t bytes);
    [[nodiscard]] bool fitsExternal(size_t bytes) const {
        return bytes <= m_heap.limit() && m_heap.liveBytes() <= m_heap.limit() - bytes;
    }
    // Resizes an array's storage, charged to the heap; past the length
    // limit a RangeError.
    void resizeArray(ArrayObject* array, size_t length);

    // Throws a script exception of the named error class with the library's
    // number and message ("Error #1009: Cannot access a property or method
    // of a null object reference.").
    [[noreturn]] void throwError(const char* errorClass, int number, const std::u16string& message);
    [[noreturn]] void throwValue(Value v);
    // The value being thrown, while a ScriptThrow unwinds.
    [[nodiscard]] Value thrownValue() const { return m_thrown; }
    // The running frames, innermost first, one "\tat Class/method()" line
    // each, as Error.getStackTrace shows them.
    [[nodiscard]] std::u16string stackTrace() const;
    // The default XML namespace the running method set (dxns), "" when none.
    [[nodiscard]] std::u16string defaultXmlNamespace() const {
        return m_frame && m_frame->defaultXmlNamespace ? m_frame->defaultXmlNamespace->text() : std::u16string();
    }

    // The language's conversions of any value; object conversions call
    // valueOf/toString and may run script.
    [[nodiscard]] double toNumber(Value v);
    [[nodiscard]] String* toString(Value v);
    [[nodiscard]] Value toPrimitive(Value v, bool preferString);

    // Calls a function value from native code.
    Value call(Value function, Value thisValue, std::span<const Value> args);
    // Calls a public member of an object by name, as `o.name(args)` does.
    Value callMember(Value receiver, std::u16string_view name, std::span<const Value> args);
    // Compiled code calls a method through an interface type by the
    // interface's namespace ("flash.utils:IDataOutput"); the public methods
    // and accessors of an implementing class answer there too.
    void bindInterfaceNames(Traits& traits, const std::vector<ClassObject*>& interfaces);
    // Sets a public member of an object by name, as `o.name = v` does
    // (typed variables coerce, setters run, a sealed class refuses).
    void setMember(Value receiver, const std::u16string& name, Value v);
    // Reads a public member of an object by name, as `o.name` does.
    [[nodiscard]] Value getMember(Value receiver, const std::u16string& name);

    // Keeps values alive while native code lets script run: pin(v) ... unpin(n).
    void pin(Value v) { m_pinned.push_back(v); }
    void unpin(size_t count) { m_pinned.resize(m_pinned.size() - count); }
    class Pin {
    public:
        Pin(Machine& m, Value v) : m_machine(m) { m.m_pinned.push_back(v); }
        ~Pin() { m_machine.m_pinned.pop_back(); }
        Pin(const Pin&) = delete;
        Pin& operator=(const Pin&) = delete;

    private:
        Machine& m_machine;
    };

private:
    friend class Interpreter;

    // A running body's window of the value stack.
    struct Frame {
        Frame* caller = nullptr;
        Value* registers = nullptr;
        Value* stack = nullptr;  // operand stack base
        Value* scope = nullptr;  // local scope stack base
        // Published at every safe point: what the collector traces.
        Value* stackTop = nullptr;
        Value* scopeTop = nullptr;
        const std::vector<Value>* outerScope = nullptr;
        const ClassObject* owner = nullptr;
        const LoadedAbc* file = nullptr;
        uint32_t method = 0;
        const String* defaultXmlNamespace = nullptr;  // set by dxns, read by E4X
        Value* end = nullptr;
    };

    void traceRoots(Tracer& tracer) const override;
    template <typename Body>
    moviehost::Expected<Value, Error> enter(Body&& body);
    // Runs a method of a loaded file (throws ScriptThrow/ScriptStop).
    Value execute(const LoadedAbc& file, uint32_t method, Value thisValue, const Value* args, uint32_t argc,
                  const std::vector<Value>* outerScope, const ClassObject* owner = nullptr);
    // Runs a method binding of a class on a receiver.
    Value invoke(const Binding& b, const MethodRef& method, Value receiver, std::span<const Value> args);
    // Runs native code as a call (depth and budget counted).
    Value callNative(NativeCode code, Value thisValue, std::span<const Value> args);
    void addPackageDefinition(const QName& name, Value value);
    Object* ensureScript(const LoadedAbc& file, uint32_t script);
    void declareCoreClasses();
    // Marks property instructions whose name is an index in the public
    // namespace (operand b), for the interpreter's vector fast path.
    static void markIndexNames(LoadedAbc& file);
    // Counts against the instruction budget and, at this safe point,
    // collects if the heap asks for it.
    void charge(uint64_t instructions);
    void safePoint();
    [[noreturn]] void stop(std::string what);

    Limits m_limits;
    Heap m_heap;
    std::vector<std::unique_ptr<LoadedAbc>> m_files;
    std::unique_ptr<Value[]> m_values;
    Value* m_valuesEnd = nullptr;
    Value* m_valuesTop = nullptr;
    Frame* m_frame = nullptr;
    uint32_t m_depth = 0;
    uint64_t m_budget = 0;
    Value m_thrown;
    std::vector<Value> m_pinned;
    std::vector<uint8_t>* m_domainMemory = nullptr;
    std::function<void(const std::u16string&)> m_trace;
    std::function<double()> m_epochClock;
    uint64_t m_random = 0x9E3779B97F4A7C15ull;
    Object* m_objectProto = nullptr;
    Object* m_functionProto = nullptr;
    Object* m_global = nullptr;
    // The definitions of packages the core and the host declare, as one
    // scope object whose traits bind each qualified name; remade when a
    // definition is added.
    Object* m_packages = nullptr;
    std::unique_ptr<Traits> m_packageTraits;
    void* m_hostData = nullptr;
    Namespace* m_public = nullptr;
    std::unordered_map<std::u16string, String*> m_interned;
    std::map<std::pair<NamespaceGroup, std::u16string>, Namespace*> m_namespaces;
    std::vector<std::unique_ptr<Domain>> m_domains;  // the system one, then the main one
    std::unordered_map<QName, ClassObject*, QNameHash> m_coreClasses;
};

}  // namespace avm2
