#include "avm2/machine.h"

#include "avm2/abc_parser.h"
#include "avm2/conversions.h"
#include "avm2/core_library.h"
#include "avm2/e4x.h"
#include "avm2/interpreter.h"
#include "avm2/traits.h"
#include "avm2/verifier.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

namespace avm2 {

Machine::Machine(Limits limits)
    : m_limits(limits),
      m_heap(limits.maxHeapBytes, *this),
      m_values(new Value[limits.valueStackSize]),
      m_valuesEnd(m_values.get() + limits.valueStackSize),
      m_valuesTop(m_values.get()) {
    m_objectProto = m_heap.make<Object>(nullptr, 0);
    m_functionProto = m_heap.make<Object>(m_objectProto, 0);
    m_global = m_heap.make<Object>(m_objectProto, 0);
    m_public = internNamespace(NamespaceGroup::Public, u"");
    m_packageTraits = std::make_unique<Traits>();
    m_packages = m_heap.make<Object>(nullptr, m_packageTraits.get(), nullptr, false);
    m_domains.push_back(std::make_unique<Domain>());
    m_domains.push_back(std::make_unique<Domain>());
    m_domains[1]->parent = m_domains[0].get();
    declareCoreClasses();
    // Each packaged definition remade the package scope; start without the
    // old ones.
    m_heap.collect();
}

Machine::~Machine() = default;

void Machine::traceRoots(Tracer& tracer) const {
    tracer.cell(m_objectProto);
    tracer.cell(m_functionProto);
    tracer.cell(m_global);
    tracer.cell(m_packages);
    tracer.values(m_packageTraits->slotDefaults);
    tracer.value(m_thrown);
    tracer.values(m_pinned);
    tracer.cell(m_public);
    for (const auto& [text, s] : m_interned)
        tracer.cell(s);
    for (const auto& [key, ns] : m_namespaces)
        tracer.cell(ns);
    for (const auto& [name, c] : m_coreClasses)
        tracer.cell(c);
    for (const auto& file : m_files) {
        for (const Namespace* ns : file->namespaces)
            tracer.cell(ns);
        for (const Object* g : file->scriptGlobals)
            tracer.cell(g);
        for (const ClassObject* c : file->classes)
            tracer.cell(c);
        for (const auto& t : file->scriptTraits)
            tracer.values(t->slotDefaults);
        for (const auto& [key, t] : file->catchTraits)
            tracer.values(t->slotDefaults);
        for (const auto& t : file->activationTraits) {
            if (t)
                tracer.values(t->slotDefaults);
        }
    }
    // Each frame's registers, its operand stack up to the published top and
    // its scope stack: nothing above a top is live (and may be stale).
    for (const Frame* f = m_frame; f; f = f->caller) {
        for (const Value* v = f->registers; v < f->stack; ++v)
            tracer.value(*v);
        for (const Value* v = f->stack; v < f->stackTop; ++v)
            tracer.value(*v);
        for (const Value* v = f->scope; v < f->scopeTop; ++v)
            tracer.value(*v);
    }
}

moviehost::Expected<const LoadedAbc*, Error> Machine::load(std::span<const uint8_t> bytes, Domain* domain) {
    auto parsed = parseAbc(bytes);
    if (!parsed)
        return moviehost::Unexpected(parsed.error());
    auto file = std::make_unique<LoadedAbc>();
    file->abc = std::move(*parsed);
    const AbcFile& abc = file->abc;
    file->bodies.reserve(abc.bodies.size());
    std::vector<uint32_t> reached;
    for (uint32_t i = 0; i < abc.bodies.size(); ++i) {
        if (auto verified = verifyBody(abc, i, &reached); !verified)
            return moviehost::Unexpected(verified.error());
        file->bodies.push_back(prepareBody(abc, i, reached));
    }
    try {
        file->strings.reserve(abc.strings.size());
        for (const std::string& s : abc.strings)
            file->strings.push_back(intern(utf8ToUtf16(s)));
        file->namespaces.push_back(m_public);  // entry 0: any namespace
        for (size_t i = 1; i < abc.namespaces.size(); ++i) {
            const NamespaceInfo& info = abc.namespaces[i];
            const std::u16string& uri = file->strings[info.name]->text();
            NamespaceGroup group = NamespaceGroup::Public;
            switch (info.kind) {
            case NamespaceKind::Private:
                group = NamespaceGroup::Private;
                break;
            case NamespaceKind::Protected:
                group = NamespaceGroup::Protected;
                break;
            case NamespaceKind::StaticProtected:
                group = NamespaceGroup::StaticProtected;
                break;
            case NamespaceKind::PackageInternal:
                group = NamespaceGroup::PackageInternal;
                break;
            default:
                break;
            }
            file->namespaces.push_back(group == NamespaceGroup::Private ? m_heap.make<Namespace>(group, uri)
                                                                        : internNamespace(group, uri));
        }
    } catch (const HeapLimitExceeded&) {
        return moviehost::Unexpected(Error{.what = "the file's names pass the heap limit"});
    }
    for (const auto& set : abc.nsSets) {
        std::vector<Namespace*> members;
        for (uint32_t ns : set)
            members.push_back(file->namespaces[ns]);
        file->nsSets.push_back(std::move(members));
    }
    markIndexNames(*file);
    for (uint32_t i = 0; i < abc.scripts.size(); ++i) {
        auto traits = buildTraits(*file, abc.scripts[i].traits, nullptr, nullptr, nullptr);
        if (!traits)
            return moviehost::Unexpected(Error{.what = "VerifyError: Error #1053: " + utf16ToUtf8(traits.error()) +
                                                       " (script " + std::to_string(i) + ")"});
        file->scriptTraits.push_back(std::move(*traits));
    }
    file->scriptGlobals.assign(abc.scripts.size(), nullptr);
    file->classes.assign(abc.classes.size(), nullptr);
    file->activationTraits.resize(abc.bodies.size());
    LoadedAbc* loaded = file.get();
    m_files.push_back(std::move(file));
    // Earlier definitions of the domain win.
    Domain& target = domain ? *domain : *mainDomain();
    loaded->domain = &target;
    for (uint32_t i = 0; i < abc.scripts.size(); ++i) {
        for (const Trait& t : abc.scripts[i].traits) {
            const MultinameInfo& mn = abc.multinames[t.name];
            const QName name{loaded->namespaces[mn.ns], loaded->strings[mn.name]};
            if (target.definitions.try_emplace(name, Domain::Definition{loaded, i}).second)
                target.order.push_back(name);
        }
    }
    return loaded;
}

moviehost::Expected<Value, Error> Machine::runEntry(const LoadedAbc& file) {
    if (file.abc.scripts.empty())
        return Value();
    return enter([&] { return Value::object(ensureScript(file, uint32_t(file.abc.scripts.size() - 1))); });
}

void Machine::markIndexNames(LoadedAbc& file) {
    for (PreparedBody& body : file.bodies) {
        for (Ins& ins : body.code) {
            if (ins.op != Op::GetProperty && ins.op != Op::SetProperty && ins.op != Op::InitProperty)
                continue;
            const MultinameInfo& mn = file.abc.multinames[ins.a];
            if (mn.kind != MultinameKind::MultinameL)
                continue;
            for (const Namespace* ns : file.nsSets[mn.nsSet])
                ins.b = ins.b || ns->isPublicRoot();
        }
    }
}

Object* Machine::ensureScript(const LoadedAbc& constFile, uint32_t script) {
    // The machine owns every loaded file; entries hand them out as const.
    auto& file = const_cast<LoadedAbc&>(constFile);
    if (Object* global = file.scriptGlobals[script])
        return global;
    Object* global = m_heap.make<Object>(m_objectProto, file.scriptTraits[script].get(), nullptr, true);
    // Marked as run before it runs, so that a script that needs itself
    // (directly or through another) sees its global object half made.
    file.scriptGlobals[script] = global;
    execute(file, file.abc.scripts[script].init, Value::object(global), nullptr, 0, nullptr, nullptr);
    return global;
}

String* Machine::intern(const std::u16string& text) {
    auto it = m_interned.find(text);
    if (it != m_interned.end())
        return it->second;
    String* s = m_heap.make<String>(text);
    m_interned.emplace(text, s);
    return s;
}

const String* Machine::findInterned(std::u16string_view text) const {
    auto it = m_interned.find(std::u16string(text));
    return it == m_interned.end() ? nullptr : it->second;
}

Namespace* Machine::internNamespace(NamespaceGroup group, const std::u16string& uri) {
    auto key = std::make_pair(group, uri);
    auto it = m_namespaces.find(key);
    if (it != m_namespaces.end())
        return it->second;
    Namespace* ns = m_heap.make<Namespace>(group, uri);
    m_namespaces.emplace(std::move(key), ns);
    return ns;
}

Domain* Machine::newDomain(Domain* parent) {
    if (m_domains.size() >= MaxDomains)
        return nullptr;
    m_domains.push_back(std::make_unique<Domain>());
    m_domains.back()->parent = parent ? parent : systemDomain();
    return m_domains.back().get();
}

Value Machine::findDefinition(const QName& name, const Domain* domain) {
    if (auto it = m_coreClasses.find(name); it != m_coreClasses.end())
        return Value::object(it->second);
    if (const Binding* b = m_packageTraits->find(name))
        return m_packages->slot(b->slot);
    const Domain::Definition* found = (domain ? domain : runningDomain())->find(name);
    if (!found)
        return Value();
    Object* global = ensureScript(*found->file, found->script);
    const Binding* b = global->traits()->find(name);
    if (!b || (b->kind != Binding::Kind::Slot && b->kind != Binding::Kind::Const))
        return Value();
    return global->slot(b->slot);
}

ClassObject* Machine::coreClass(std::u16string_view name) {
    const String* interned = findInterned(name);
    if (!interned)
        return nullptr;
    auto it = m_coreClasses.find(QName{m_public, interned});
    return it == m_coreClasses.end() ? nullptr : it->second;
}

namespace {

// "flash.events.Event" and "flash.events::Event" as package and name.
std::pair<std::u16string_view, std::u16string_view> splitQualified(std::u16string_view qualified) {
    if (const size_t colons = qualified.rfind(u"::"); colons != std::u16string_view::npos)
        return {qualified.substr(0, colons), qualified.substr(colons + 2)};
    const size_t dot = qualified.rfind(u'.');
    if (dot == std::u16string_view::npos)
        return {std::u16string_view(), qualified};
    return {qualified.substr(0, dot), qualified.substr(dot + 1)};
}

}  // namespace

ClassObject* Machine::coreClass(std::u16string_view package, std::u16string_view name) {
    const String* interned = findInterned(name);
    if (!interned)
        return nullptr;
    auto it = m_coreClasses.find(QName{internNamespace(NamespaceGroup::Public, std::u16string(package)), interned});
    return it == m_coreClasses.end() ? nullptr : it->second;
}

Value Machine::findDefinitionByName(std::u16string_view qualified, const Domain* domain) {
    const auto [package, name] = splitQualified(qualified);
    const String* interned = findInterned(name);
    if (!interned)
        return Value();
    return findDefinition(QName{internNamespace(NamespaceGroup::Public, std::u16string(package)), interned}, domain);
}

void Machine::addPackageDefinition(const QName& name, Value value) {
    Binding b;
    b.kind = Binding::Kind::Const;
    m_packageTraits->slotDefaults.push_back(value);
    b.slot = uint32_t(m_packageTraits->slotDefaults.size());
    m_packageTraits->bindings[name] = b;
    // Slots are laid out when an object is made: the scope object is made
    // again with one more (its values are the traits' defaults).
    m_packages = m_heap.make<Object>(nullptr, m_packageTraits.get(), nullptr, false);
}

void Machine::definePackageFunction(const PackageFunction& function) {
    Value f = Value::object(newNative(function.code));
    Pin keep(*this, f);
    addPackageDefinition(QName{internNamespace(NamespaceGroup::Public, function.package), intern(function.name)}, f);
}

ClassObject* Machine::defineCoreClass(const CoreClassSpec& spec) {
    ClassObject* base = nullptr;
    if (spec.base) {
        const auto [basePackage, baseName] = splitQualified(spec.base);
        base = coreClass(basePackage, baseName);
    }
    const std::u16string name = spec.name;
    const std::u16string package = spec.package ? spec.package : u"";
    ClassObject::Parts parts;
    parts.name = QName{internNamespace(NamespaceGroup::Public, package), intern(name)};
    parts.base = base;
    parts.staticTraits = std::make_unique<Traits>();
    parts.instanceTraits = base ? std::make_unique<Traits>(base->instanceTraits()) : std::make_unique<Traits>();
    if (base)
        parts.instanceTraits->base = &base->instanceTraits();
    // Compilers call the core classes' methods in the AS3 namespace as well
    // (haxe's RegExp.exec); both names bind the one method. Methods of a
    // namespace of their own (Proxy's flash_proxy) bind there only.
    Namespace* builtin = internNamespace(NamespaceGroup::Public, u"http://adobe.com/AS3/2006/builtin");
    Namespace* own = spec.methodNamespace ? internNamespace(NamespaceGroup::Public, spec.methodNamespace) : nullptr;
    Namespace* const methodNamespaces[2] = {own ? own : m_public, own ? nullptr : builtin};
    for (const NativeMember& m : spec.methods) {
        for (Namespace* ns : methodNamespaces) {
            if (!ns)
                continue;
            Binding& b = parts.instanceTraits->bindings[QName{ns, intern(m.name)}];
            b = Binding{};
            b.kind = Binding::Kind::Method;
            b.method.native = m.code;
        }
    }
    if (spec.prototypeInAs3) {
        for (const NativeMember& m : spec.prototype) {
            Binding& b = parts.instanceTraits->bindings[QName{builtin, intern(m.name)}];
            b = Binding{};
            b.kind = Binding::Kind::Method;
            b.method.native = m.code;
        }
    }
    auto accessor = [&](Traits& traits, const NativeAccessor& a) {
        Binding& b = traits.bindings[QName{m_public, intern(a.name)}];
        b = Binding{};
        b.kind = Binding::Kind::Accessor;
        b.getter.native = a.get;
        b.setter.native = a.set;
    };
    for (const NativeAccessor& a : spec.accessors)
        accessor(*parts.instanceTraits, a);
    for (const NativeAccessor& a : spec.staticAccessors)
        accessor(*parts.staticTraits, a);
    parts.final = spec.final;
    // Object's and Function's prototypes exist before any class: every
    // object and function made so far already inherits from them.
    parts.prototype = name == u"Object"     ? m_objectProto
                      : name == u"Function" ? m_functionProto
                                            : m_heap.make<Object>(base ? base->prototype() : m_objectProto, 0);
    parts.nativeInit = spec.init;
    parts.callAsFunction = spec.callAsFunction;
    parts.create = spec.create;
    parts.sealed = spec.sealed;
    parts.interface = spec.interface;
    for (const char16_t* qualified : spec.implements) {
        const auto [ifacePackage, ifaceName] = splitQualified(qualified);
        if (ClassObject* iface = coreClass(ifacePackage, ifaceName))
            parts.interfaces.push_back(iface);
    }
    ClassObject* c = m_heap.make<ClassObject>(m_objectProto, std::move(parts));
    c->mutableInstanceTraits().types.push_back(c);
    for (ClassObject* iface : c->interfaces()) {
        for (const void* t : iface->instanceTraits().types)
            c->mutableInstanceTraits().types.push_back(t);
    }
    bindInterfaceNames(c->mutableInstanceTraits(), c->interfaces());
    c->prototype()->setOwn(u"constructor", Value::object(c));
    for (const NativeMember& m : spec.prototype)
        c->prototype()->setOwn(m.name, Value::object(newNative(m.code)));
    for (const NativeMember& m : spec.statics)
        c->setOwn(m.name, Value::object(newNative(m.code)));
    for (const NativeConstant& k : spec.constants)
        c->setOwn(k.name, Value::number(k.value));
    for (const NativeStringConstant& k : spec.stringConstants)
        c->setOwn(k.name, Value::string(intern(k.value)));
    m_coreClasses[c->name()] = c;
    if (package.empty()) {
        m_global->setOwn(name, Value::object(c));
    } else {
        Pin keep(*this, Value::object(c));
        addPackageDefinition(c->name(), Value::object(c));
    }
    return c;
}

void Machine::declareCoreClasses() {
    for (auto family : {objectClasses(), errorClasses(), mathClasses(), arrayClasses(), jsonClasses(),
                        byteArrayClasses(), dictionaryClasses(), regExpClasses(), dateClasses(), vectorClasses(),
                        namespaceClasses(), proxyClasses(), xmlClasses()}) {
        for (const CoreClassSpec& spec : family)
            defineCoreClass(spec);
    }
    for (auto functions : {utilsFunctions(), aliasFunctions(), describeFunctions()}) {
        for (const PackageFunction& f : functions)
            definePackageFunction(f);
    }
    for (const NativeMember& m : globalFunctions())
        m_global->setOwn(m.name, Value::object(newNative(m.code)));
    for (const char16_t* name :
         {u"Error", u"ArgumentError", u"DefinitionError", u"EvalError", u"RangeError", u"ReferenceError",
          u"SecurityError", u"SyntaxError", u"TypeError", u"URIError", u"VerifyError", u"UninitializedError",
          u"flash.errors.IOError", u"flash.errors.EOFError"}) {
        const auto [package, local] = splitQualified(name);
        if (ClassObject* c = coreClass(package, local))
            c->prototype()->setOwn(u"name", string(std::u16string(local)));
    }
    m_global->setOwn(u"NaN", Value::number(std::numeric_limits<double>::quiet_NaN()));
    m_global->setOwn(u"Infinity", Value::number(std::numeric_limits<double>::infinity()));
    m_global->setOwn(u"undefined", Value());
}

double Machine::random() {
    // xorshift64*: small, fast and repeatable for a given seed.
    m_random ^= m_random >> 12;
    m_random ^= m_random << 25;
    m_random ^= m_random >> 27;
    return double((m_random * 0x2545F4914F6CDD1Dull) >> 11) / double(1ull << 53);
}

Object* Machine::primitivePrototype(Value v) {
    const char16_t* name = nullptr;
    switch (v.tag()) {
    case Tag::Boolean:
        name = u"Boolean";
        break;
    case Tag::Int:
    case Tag::UInt:
    case Tag::Number:
        name = u"Number";
        break;
    case Tag::String:
        name = u"String";
        break;
    case Tag::Namespace:
        name = u"Namespace";
        break;
    default:
        return nullptr;
    }
    ClassObject* c = coreClass(name);
    return c ? c->prototype() : nullptr;
}

Value Machine::construct(Value constructor, std::span<const Value> args) {
    Object* o = constructor.isObject() ? constructor.asObject() : nullptr;
    if (auto* c = dynamic_cast<ClassObject*>(o)) {
        if (c->isInterface())
            throwError("TypeError", 1007, u"Instantiation attempted on a non-constructor.");
        if (c->create())
            return c->create()(*this, constructor, args);
        // new Number(5), new String("a"): the core classes of primitive
        // values make the primitive.
        if (!c->init() && !c->nativeInit() && c->callAsFunction() && c->base())
            return c->callAsFunction()(*this, constructor, args);
        Object* instance = m_heap.make<Object>(c->prototype(), &c->instanceTraits(), c, !c->sealed());
        Pin keep(*this, Value::object(instance));
        if (c->init())
            execute(*c->init().file, c->init().method, Value::object(instance), args.data(), uint32_t(args.size()),
                    &c->scope(), c);
        else if (c->nativeInit())
            c->nativeInit()(*this, Value::object(instance), args);
        return Value::object(instance);
    }
    if (auto* f = dynamic_cast<FunctionObject*>(o)) {
        const Value* proto = f->findOwn(u"prototype");
        Object* instance = m_heap.make<Object>(proto && proto->isObject() ? proto->asObject() : m_objectProto, 0);
        Pin keep(*this, Value::object(instance));
        Value result = call(constructor, Value::object(instance), args);
        return result.isObject() ? result : Value::object(instance);
    }
    throwError("TypeError", 1007, u"Instantiation attempted on a non-constructor.");
}

namespace {

// The name a class declares a method under, with "get "/"set " for an
// accessor; empty when the traits have no binding of it.
std::u16string methodName(const Traits* traits, const LoadedAbc* file, uint32_t method) {
    if (!traits)
        return {};
    auto is = [&](const MethodRef& r) { return r.file == file && r.method == method && !r.native; };
    for (const auto& [name, b] : traits->bindings) {
        const std::u16string& text = name.name ? name.name->text() : std::u16string();
        if (b.kind == Binding::Kind::Method && is(b.method))
            return text;
        if (b.kind == Binding::Kind::Accessor && is(b.getter))
            return u"get " + text;
        if (b.kind == Binding::Kind::Accessor && is(b.setter))
            return u"set " + text;
    }
    return {};
}

}  // namespace

std::u16string Machine::stackTrace() const {
    std::u16string out;
    for (const Frame* f = m_frame; f; f = f->caller) {
        std::u16string line;
        if (const ClassObject* c = f->owner) {
            const std::u16string name = c->displayName();
            if (c->init().file == f->file && c->init().method == f->method) {
                line = name + u"()";
            } else if (std::u16string m = methodName(&c->instanceTraits(), f->file, f->method); !m.empty()) {
                line = name + u"/" + m + u"()";
            } else if (std::u16string s = methodName(c->traits(), f->file, f->method); !s.empty()) {
                line = name + u"$/" + s + u"()";
            } else {
                line = name + u"$cinit()";
                for (size_t i = 0; i < f->file->classes.size(); ++i) {
                    if (f->file->classes[i] == c && f->file->abc.classes[i].init != f->method)
                        line = u"MethodInfo-" + numberToString(f->method) + u"()";
                }
            }
        } else {
            bool scriptInit = false;
            for (const ScriptInfo& s : f->file->abc.scripts)
                scriptInit = scriptInit || s.init == f->method;
            line = scriptInit ? u"global$init()" : u"MethodInfo-" + numberToString(f->method) + u"()";
        }
        out += u"\n\tat " + line;
    }
    return out;
}

bool Machine::isInstance(Value v, const ClassObject* type) const {
    if (v.isNullish())
        return false;
    if (type->name().name && type->name().name->text() == u"Object" && type->name().ns == m_public)
        return true;
    if (v.isNamespace())
        return type->name().ns == m_public && type->name().name->text() == u"Namespace";
    if (!v.isObject()) {
        // A primitive is an instance of its own class ("a" is String, 5 is
        // int, uint and Number): `is` with a class value reaches here.
        if (type->name().ns != m_public || !type->name().name)
            return false;
        const std::u16string& name = type->name().name->text();
        if (v.isString())
            return name == u"String";
        if (v.isBoolean())
            return name == u"Boolean";
        if (v.isNumeric()) {
            const double d = v.numeric();
            return name == u"Number" || (name == u"int" && d == double(toInt32(d))) ||
                   (name == u"uint" && d == double(toUInt32(d)));
        }
        return false;
    }
    const Object* o = v.asObject();
    if (o->traits() && o->traits()->isA(type))
        return true;
    for (const Object* p = o->proto(); p; p = p->proto()) {
        if (p == type->prototype())
            return true;
    }
    // Classes are instances of Class, though no traits say so.
    return type->name().ns == m_public && type->name().name->text() == u"Class" && dynamic_cast<const ClassObject*>(o);
}

Value Machine::invoke(const Binding& b, const MethodRef& method, Value receiver, std::span<const Value> args) {
    if (method.native)
        return callNative(method.native, receiver, args);
    return execute(*method.file, method.method, receiver, args.data(), uint32_t(args.size()),
                   b.owner ? &b.owner->scopeFor(receiver) : nullptr, b.owner);
}

template <typename Body>
moviehost::Expected<Value, Error> Machine::enter(Body&& body) {
    const bool outermost = m_depth == 0;
    if (outermost)
        m_budget = m_limits.maxInstructionsPerEntry;
    Frame* const frame = m_frame;
    Value* const top = m_valuesTop;
    const uint32_t depth = m_depth;
    const size_t pinned = m_pinned.size();
    auto unwind = [&] {
        m_frame = frame;
        m_valuesTop = top;
        m_depth = depth;
        m_pinned.resize(pinned);
    };
    try {
        Value result = body();
        m_pinned.resize(pinned);
        if (outermost && m_heap.wantsCollection()) {
            Pin keep(*this, result);
            m_heap.collect();
        }
        return result;
    } catch (const ScriptThrow&) {
        unwind();
        Value thrown = m_thrown;
        m_thrown = Value();
        std::u16string text;
        try {
            text = toString(thrown)->text();
        } catch (...) {
            text = u"(an exception that cannot be shown)";
        }
        return moviehost::Unexpected(Error{.what = "uncaught exception: " + utf16ToUtf8(text)});
    } catch (const ScriptStop& stop) {
        unwind();
        return moviehost::Unexpected(Error{.what = stop.what});
    } catch (const HeapLimitExceeded&) {
        unwind();
        return moviehost::Unexpected(Error{.what = "the script passed the heap limit"});
    }
}

moviehost::Expected<Value, Error> Machine::callMethod(const LoadedAbc& file, uint32_t method, Value thisValue,
                                                      std::span<const Value> args) {
    if (method >= file.abc.methods.size() || file.abc.methods[method].body == UINT32_MAX)
        return moviehost::Unexpected(Error{.what = "no such method with a body", .method = method});
    return enter([&] { return execute(file, method, thisValue, args.data(), uint32_t(args.size()), nullptr); });
}

moviehost::Expected<Value, Error> Machine::callFunction(Value function, Value thisValue, std::span<const Value> args) {
    return enter([&] { return call(function, thisValue, args); });
}

Value Machine::callMember(Value receiver, std::u16string_view name, std::span<const Value> args) {
    if (receiver.isObject()) {
        Object* o = receiver.asObject();
        const String* interned = findInterned(name);
        const Binding* b = interned && o->traits() ? o->traits()->find(QName{m_public, interned}) : nullptr;
        if (b && b->kind == Binding::Kind::Method)
            return invoke(*b, b->method, receiver, args);
        Value f;
        if (b && b->kind == Binding::Kind::Accessor && b->getter)
            f = invoke(*b, b->getter, receiver, {});
        else if (b && b->kind != Binding::Kind::Accessor)
            f = o->slot(b->slot);
        else if (const Value* found = o->find(std::u16string(name)))
            f = *found;
        if (f.isObject()) {
            Pin keep(*this, f);
            return call(f, receiver, args);
        }
    }
    throwError("TypeError", 1006, std::u16string(name) + u" is not a function.");
}

void Machine::bindInterfaceNames(Traits& traits, const std::vector<ClassObject*>& interfaces) {
    std::vector<std::pair<QName, Binding>> added;
    for (const ClassObject* iface : interfaces) {
        const std::u16string& package = iface->name().ns ? iface->name().ns->uri() : std::u16string();
        const std::u16string local = iface->name().name ? iface->name().name->text() : std::u16string();
        Namespace* ns = internNamespace(NamespaceGroup::Public, package + u":" + local);
        for (const auto& [name, b] : traits.bindings) {
            if (name.ns == m_public && (b.kind == Binding::Kind::Method || b.kind == Binding::Kind::Accessor) &&
                !traits.find(QName{ns, name.name}))
                added.emplace_back(QName{ns, name.name}, b);
        }
    }
    for (auto& [name, b] : added)
        traits.bindings.emplace(name, b);
}

void Machine::setMember(Value receiver, const std::u16string& name, Value v) {
    Pin keepReceiver(*this, receiver), keepValue(*this, v);
    Namespace* const publicSet[1] = {m_public};
    Multiname mn;
    mn.namespaces = publicSet;
    mn.name = intern(name);
    mn.text = mn.name->text();
    mn.isIndex = arrayIndex(mn.text, mn.index);
    Interpreter(*this).setProperty(receiver, mn, v, false);
}

Value Machine::getMember(Value receiver, const std::u16string& name) {
    Pin keepReceiver(*this, receiver);
    Namespace* const publicSet[1] = {m_public};
    Multiname mn;
    mn.namespaces = publicSet;
    mn.name = intern(name);
    mn.text = mn.name->text();
    mn.isIndex = arrayIndex(mn.text, mn.index);
    return Interpreter(*this).getProperty(receiver, mn);
}

moviehost::Expected<Value, Error> Machine::run(const std::function<Value()>& body) { return enter(body); }

Value Machine::call(Value function, Value thisValue, std::span<const Value> args) {
    Object* o = function.isObject() ? function.asObject() : nullptr;
    if (auto* f = dynamic_cast<FunctionObject*>(o)) {
        // A closure called without a receiver (a listener, f.call(null)) runs
        // on its global object; code that pushes `this` as a scope needs one.
        if (thisValue.isNullish() && !f->scope().empty())
            thisValue = f->scope().front();
        return execute(f->file(), f->method(), thisValue, args.data(), uint32_t(args.size()), &f->scope());
    }
    if (auto* c = dynamic_cast<MethodClosure*>(o)) {
        if (c->method().native)
            return callNative(c->method().native, c->receiver(), args);
        const ClassObject* owner = c->owner();
        return execute(*c->method().file, c->method().method, c->receiver(), args.data(), uint32_t(args.size()),
                       owner ? &owner->scopeFor(c->receiver()) : nullptr, owner);
    }
    if (auto* n = dynamic_cast<NativeFunction*>(o))
        return callNative(n->code(), thisValue, args);
    if (auto* c = dynamic_cast<ClassObject*>(o)) {
        if (c->callAsFunction())
            return c->callAsFunction()(*this, function, args);
        // C(x) of any other class is a checked cast.
        const Value v = args.empty() ? Value() : args[0];
        if (v.isNullish() || isInstance(v, c))
            return v.isUndefined() ? Value::null() : v;
        throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to " + c->displayName() + u".");
    }
    throwError("TypeError", 1006, u"value is not a function.");
}

Value Machine::callNative(NativeCode code, Value thisValue, std::span<const Value> args) {
    if (++m_depth > m_limits.maxCallDepth) {
        --m_depth;
        throwError("Error", 1023, u"Stack overflow occurred.");
    }
    struct Leave {
        uint32_t& depth;
        ~Leave() { --depth; }
    } leave{m_depth};
    charge(1);
    return code(*this, thisValue, args);
}

void Machine::charge(uint64_t instructions) {
    if (instructions > m_budget) {
        m_budget = 0;
        stop("Error #1502: A script has executed for longer than the default timeout period of 15 seconds.");
    }
    m_budget -= instructions;
}

void Machine::safePoint() {
    if (m_heap.wantsCollection())
        m_heap.collect();
}

void Machine::stop(std::string what) { throw ScriptStop{std::move(what)}; }

Value Machine::string(std::u16string text) { return Value::string(m_heap.make<String>(std::move(text))); }

Object* Machine::newObject() { return m_heap.make<Object>(m_objectProto, 0); }

NativeFunction* Machine::newNative(NativeCode code) { return m_heap.make<NativeFunction>(m_functionProto, code); }

ArrayObject* Machine::newArray(std::span<const Value> elements) {
    ClassObject* c = coreClass(u"Array");
    ArrayObject* a =
        c ? m_heap.make<ArrayObject>(c->prototype(), &c->instanceTraits(), c) : m_heap.make<ArrayObject>(m_objectProto);
    Pin keep(*this, Value::object(a));
    resizeArray(a, elements.size());
    std::copy(elements.begin(), elements.end(), a->elements().begin());
    return a;
}

void Machine::resizeArray(ArrayObject* array, size_t length) {
    if (length > m_limits.maxArrayLength)
        throwError("RangeError", 1005,
                   u"Array index is not a positive integer (" + numberToString(double(length)) + u").");
    std::vector<Value>& e = array->elements();
    if (length > e.capacity()) {
        const size_t capacity = std::max(length, std::min<size_t>(e.capacity() * 2, m_limits.maxArrayLength));
        m_heap.charge((capacity - e.capacity()) * sizeof(Value));
        e.reserve(capacity);
    }
    e.resize(length);
}

void Machine::throwValue(Value v) {
    m_thrown = v;
    throw ScriptThrow{};
}

void Machine::chargeExternal(size_t bytes) {
    if (!fitsExternal(bytes))
        throwError("Error", 1000, u"The system is out of memory.");
    m_heap.charge(bytes);
}

void Machine::throwError(const char* errorClass, int number, const std::u16string& message) {
    const std::u16string qualified = utf8ToUtf16(errorClass);
    const auto [package, name] = splitQualified(qualified);
    ClassObject* c = coreClass(package, name);
    if (!c)
        c = coreClass(u"Error");
    Object* error = m_heap.make<Object>(c->prototype(), &c->instanceTraits(), c, true);
    Pin keep(*this, Value::object(error));
    recordErrorFrames(*this, error);
    error->setOwn(u"message", string(u"Error #" + numberToString(number) + u": " + message));
    error->setOwn(u"errorID", Value::fromInt(number));
    throwValue(Value::object(error));
}

Value Machine::toPrimitive(Value v, bool preferString) {
    if (!v.isObject())
        return v;
    Object* o = v.asObject();
    Pin keep(*this, v);
    const char16_t* const order[2] = {preferString ? u"toString" : u"valueOf", preferString ? u"valueOf" : u"toString"};
    for (const char16_t* method : order) {
        // A class's own public method comes before the prototype's, as a
        // call `o.toString()` finds it.
        const String* interned = findInterned(method);
        const Binding* b = interned && o->traits() ? o->traits()->find(QName{m_public, interned}) : nullptr;
        if (b && b->kind == Binding::Kind::Method) {
            Value result = invoke(*b, b->method, v, {});
            if (!result.isObject())
                return result;
            continue;
        }
        const Value* f = o->find(method);
        if (f && f->isObject()) {
            Value result = call(*f, v, {});
            if (!result.isObject())
                return result;
        }
    }
    if (auto* c = dynamic_cast<ClassObject*>(o))
        return string(u"[class " + c->name().name->text() + u"]");  // the package is not shown
    return string(u"[object Object]");
}

double Machine::toNumber(Value v) {
    if (v.isNumeric())
        return v.numeric();
    return primitiveToNumber(toPrimitive(v, false));
}

String* Machine::toString(Value v) {
    switch (v.tag()) {
    case Tag::Undefined:
        return string(u"undefined").asString();
    case Tag::Null:
        return string(u"null").asString();
    case Tag::Boolean:
        return string(v.asBoolean() ? u"true" : u"false").asString();
    case Tag::Int:
    case Tag::UInt:
    case Tag::Number:
        return string(numberToString(v.numeric())).asString();
    case Tag::String:
        return v.asString();
    case Tag::Namespace:
        return string(v.asNamespace()->uri()).asString();
    case Tag::Object:
        return toString(toPrimitive(v, true));
    }
    return string(u"").asString();
}

double Machine::epochMilliseconds() const {
    if (m_epochClock)
        return m_epochClock();
    return double(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
}

}  // namespace avm2
