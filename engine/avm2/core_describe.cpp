// flash.utils.describeType: an XML description of a class or of a value's
// class, from the traits the machine built and the signatures and metadata
// of the file that declared them. Public members and those of namespaces
// scripts declare (with their uri); the host's native
// members carry no signatures, so they show as "*" with no parameters.
#include "avm2/conversions.h"
#include "avm2/core_library.h"
#include "avm2/e4x.h"

#include <algorithm>
#include <unordered_map>

namespace avm2 {

namespace {

std::u16string attribute(const char16_t* name, const std::u16string& value) {
    return u" " + std::u16string(name) + u"=\"" + escapeXmlAttribute(value) + u"\"";
}

std::u16string qualified(const ClassObject* c) {
    const QName& name = c->name();
    const std::u16string local = name.name ? name.name->text() : u"";
    const std::u16string& package = name.ns ? name.ns->uri() : std::u16string();
    return package.empty() ? local : package + u"::" + local;
}

// A type as a file names it: "*" for none, "pkg::Name", "Vector.<T>".
std::u16string typeName(const LoadedAbc& file, uint32_t index) {
    if (index == 0 || index >= file.abc.multinames.size())
        return u"*";
    const MultinameInfo& info = file.abc.multinames[index];
    if (info.kind == MultinameKind::TypeName) {
        std::u16string out = typeName(file, info.typeBase) + u".<";
        for (size_t i = 0; i < info.typeParameters.size(); ++i)
            out += (i ? u"," : u"") + typeName(file, info.typeParameters[i]);
        return out + u">";
    }
    const std::u16string local = info.name < file.strings.size() ? file.strings[info.name]->text() : u"*";
    if (info.kind == MultinameKind::QName || info.kind == MultinameKind::QNameA) {
        const std::u16string& uri = file.namespaces[info.ns]->uri();
        return uri.empty() ? local : uri + u"::" + local;
    }
    return local;
}

// The declared traits of a class of a file, and the file, to read
// signatures and metadata from.
struct Declared {
    const LoadedAbc* file = nullptr;
    const std::vector<Trait>* instance = nullptr;
    const std::vector<Trait>* statics = nullptr;
    const Trait* classTrait = nullptr;  // in its script, for the class's metadata
};

Declared declaredOf(const ClassObject* c, const MethodRef& any) {
    Declared d;
    const LoadedAbc* file = c->init().file ? c->init().file : any.file;
    if (!file)
        return d;
    for (size_t i = 0; i < file->classes.size(); ++i) {
        if (file->classes[i] != c)
            continue;
        d.file = file;
        d.instance = &file->abc.instances[i].traits;
        d.statics = &file->abc.classes[i].traits;
        for (const ScriptInfo& s : file->abc.scripts) {
            for (const Trait& t : s.traits) {
                if (t.kind == TraitKind::Class && t.index == i)
                    d.classTrait = &t;
            }
        }
    }
    return d;
}

std::u16string metadata(const LoadedAbc& file, const Trait& t) {
    std::u16string out;
    for (uint32_t index : t.metadata) {
        if (index >= file.abc.metadata.size())
            continue;
        const MetadataInfo& info = file.abc.metadata[index];
        out += u"<metadata" + attribute(u"name", file.strings[info.name]->text()) + u">";
        for (const auto& [key, value] : info.items)
            out += u"<arg" + attribute(u"key", key ? file.strings[key]->text() : u"") +
                   attribute(u"value", file.strings[value]->text()) + u"/>";
        out += u"</metadata>";
    }
    return out;
}

const Trait* traitNamed(const LoadedAbc* file, const std::vector<Trait>* traits, const QName& name, TraitKind kind) {
    if (!file || !traits)
        return nullptr;
    for (const Trait& t : *traits) {
        const MultinameInfo& info = file->abc.multinames[t.name];
        const bool sameKind = t.kind == kind || ((kind == TraitKind::Getter || kind == TraitKind::Setter) &&
                                                 (t.kind == TraitKind::Getter || t.kind == TraitKind::Setter));
        if (sameKind && info.name < file->strings.size() && file->strings[info.name] == name.name &&
            info.ns < file->namespaces.size() && file->namespaces[info.ns] == name.ns)
            return &t;
    }
    return nullptr;
}

// The trait that declared a member, for its signature's metadata: in the
// class that owns it, else in the nearest class up the chain (variables
// carry no owner) whose file declares the name.
const Trait* declaringTrait(const ClassObject* c, const Binding& b, const QName& name, TraitKind kind, bool statics,
                            const LoadedAbc*& file) {
    for (const ClassObject* k = b.owner ? b.owner : c; k; k = statics || b.owner ? nullptr : k->base()) {
        const Declared d = declaredOf(k, {});
        if (const Trait* t = traitNamed(d.file, statics ? d.statics : d.instance, name, kind)) {
            file = d.file;
            return t;
        }
    }
    return nullptr;
}

std::u16string ownerName(const Binding& b, const ClassObject* fallback) {
    return qualified(b.owner ? b.owner : fallback);
}

std::u16string parameterList(const LoadedAbc& file, const MethodInfo& info) {
    std::u16string out;
    const size_t required = info.paramTypes.size() - std::min(info.optional.size(), info.paramTypes.size());
    for (size_t i = 0; i < info.paramTypes.size(); ++i)
        out += u"<parameter" + attribute(u"index", numberToString(double(i + 1))) +
               attribute(u"type", typeName(file, info.paramTypes[i])) +
               attribute(u"optional", i >= required ? u"true" : u"false") + u"/>";
    return out;
}

// The members of traits: variables, constants, accessors, methods, sorted
// by name as one list (the player's order is its own). Public ones, and
// those of namespaces a script declared, which carry their uri.
bool sameMethod(const MethodRef& a, const MethodRef& b) {
    return a.file == b.file && a.method == b.method && a.native == b.native;
}

// A member bound again under an interface's namespace (or the AS3 one) is
// the public one under another name: the player lists it once.
bool twinOfPublic(const Binding& b, const Binding* pub) {
    if (!pub || pub->kind != b.kind)
        return false;
    if (b.kind == Binding::Kind::Method)
        return sameMethod(b.method, pub->method);
    if (b.kind == Binding::Kind::Accessor)
        return sameMethod(b.getter, pub->getter) && sameMethod(b.setter, pub->setter);
    return false;
}

std::u16string members(const Traits& traits, const ClassObject* c, bool statics) {
    std::unordered_map<const String*, const Binding*> publicByName;
    for (const auto& [name, b] : traits.bindings) {
        if (name.ns && name.ns->isPublicRoot())
            publicByName[name.name] = &b;
    }
    std::vector<std::pair<std::u16string, std::u16string>> out;
    for (const auto& [name, b] : traits.bindings) {
        if (!name.ns || name.ns->group() != NamespaceGroup::Public || !name.name)
            continue;
        if (!name.ns->isPublicRoot()) {
            const auto twin = publicByName.find(name.name);
            if (twin != publicByName.end() && twinOfPublic(b, twin->second))
                continue;
        }
        const std::u16string& local = name.name->text();
        const std::u16string uri = name.ns->uri().empty() ? u"" : attribute(u"uri", name.ns->uri());
        const LoadedAbc* file = nullptr;
        const Trait* declared = nullptr;
        std::u16string text;
        auto close = [&](const std::u16string& inner, const char16_t* element) {
            const std::u16string meta = file && declared ? metadata(*file, *declared) : u"";
            text += inner.empty() && meta.empty() ? u"/>" : u">" + inner + meta + u"</" + element + u">";
        };
        switch (b.kind) {
        case Binding::Kind::Slot:
        case Binding::Kind::Const: {
            const bool constant = b.kind == Binding::Kind::Const;
            declared = declaringTrait(c, b, name, constant ? TraitKind::Const : TraitKind::Slot, statics, file);
            const std::u16string type =
                declared ? typeName(*file, declared->index) : (b.typeName ? b.typeName->text() : u"*");
            text = std::u16string(constant ? u"<constant" : u"<variable") + attribute(u"name", local) + uri +
                   attribute(u"type", type);
            close(u"", constant ? u"constant" : u"variable");
            break;
        }
        case Binding::Kind::Accessor: {
            const MethodRef& m = b.getter ? b.getter : b.setter;
            std::u16string type = u"*";
            if (m.file) {
                const MethodInfo& info = m.file->abc.methods[m.method];
                type = b.getter ? typeName(*m.file, info.returnType)
                                : (info.paramTypes.empty() ? u"*" : typeName(*m.file, info.paramTypes[0]));
            }
            const char16_t* access = b.getter && b.setter ? u"readwrite" : b.getter ? u"readonly" : u"writeonly";
            text = u"<accessor" + attribute(u"name", local) + uri + attribute(u"access", access) +
                   attribute(u"type", type) + attribute(u"declaredBy", ownerName(b, c));
            declared = declaringTrait(c, b, name, TraitKind::Getter, statics, file);
            close(u"", u"accessor");
            break;
        }
        case Binding::Kind::Method: {
            std::u16string returnType = u"*", parameters;
            if (const LoadedAbc* own = b.method.file) {
                const MethodInfo& info = own->abc.methods[b.method.method];
                returnType = typeName(*own, info.returnType);
                parameters = parameterList(*own, info);
            }
            text = u"<method" + attribute(u"name", local) + uri + attribute(u"declaredBy", ownerName(b, c)) +
                   attribute(u"returnType", returnType);
            declared = declaringTrait(c, b, name, TraitKind::Method, statics, file);
            close(parameters, u"method");
            break;
        }
        }
        out.emplace_back(local, std::move(text));
    }
    std::sort(out.begin(), out.end());
    std::u16string all;
    for (const auto& [name, text] : out)
        all += text;
    return all;
}

// extendsClass for each base, implementsInterface for each interface.
std::u16string ancestry(const ClassObject* c) {
    std::u16string out;
    for (const ClassObject* b = c->base(); b; b = b->base())
        out += u"<extendsClass" + attribute(u"type", qualified(b)) + u"/>";
    std::vector<std::u16string> interfaces;
    for (const void* t : c->instanceTraits().types) {
        const auto* i = static_cast<const ClassObject*>(t);
        if (i != c && i->isInterface() &&
            std::find(interfaces.begin(), interfaces.end(), qualified(i)) == interfaces.end())
            interfaces.push_back(qualified(i));
    }
    std::sort(interfaces.begin(), interfaces.end());
    for (const std::u16string& i : interfaces)
        out += u"<implementsInterface" + attribute(u"type", i) + u"/>";
    return out;
}

std::u16string instanceBody(const ClassObject* c) {
    const Declared declared = declaredOf(c, {});
    std::u16string out = ancestry(c);
    if (declared.file) {
        const MethodInfo& init = declared.file->abc.methods[c->init().method];
        if (!init.paramTypes.empty())
            out += u"<constructor>" + parameterList(*declared.file, init) + u"</constructor>";
    }
    out += members(c->instanceTraits(), c, false);
    if (declared.file && declared.classTrait)
        out += metadata(*declared.file, *declared.classTrait);
    return out;
}

std::u16string describe(Machine& m, Value v) {
    if (v.isNullish())
        return u"<type" + attribute(u"name", v.isNull() ? u"null" : u"void") +
               u" isDynamic=\"false\" isFinal=\"true\" isStatic=\"false\"/>";
    auto* asClass = v.isObject() ? dynamic_cast<ClassObject*>(v.asObject()) : nullptr;
    if (asClass) {
        std::u16string out = u"<type" + attribute(u"name", qualified(asClass)) +
                             u" base=\"Class\" isDynamic=\"true\" isFinal=\"true\" isStatic=\"true\">";
        out += u"<extendsClass type=\"Class\"/><extendsClass type=\"Object\"/>";
        out += u"<accessor name=\"prototype\" access=\"readonly\" type=\"*\" declaredBy=\"Class\"/>";
        if (asClass->traits())
            out += members(*asClass->traits(), asClass, true);
        out += u"<factory" + attribute(u"type", qualified(asClass)) + u">" + instanceBody(asClass) + u"</factory>";
        return out + u"</type>";
    }
    ClassObject* c = classOfValue(m, v);
    if (!c)
        c = m.coreClass(u"Object");
    std::u16string out = u"<type" + attribute(u"name", qualified(c));
    if (c->base())
        out += attribute(u"base", qualified(c->base()));
    out += attribute(u"isDynamic", c->sealed() ? u"false" : u"true");
    out += attribute(u"isFinal", c->isFinal() ? u"true" : u"false");
    out += u" isStatic=\"false\">" + instanceBody(c);
    return out + u"</type>";
}

Value describeType(Machine& m, Value, std::span<const Value> args) {
    const Value text[1] = {m.string(describe(m, argument(args, 0)))};
    Machine::Pin keep(m, text[0]);
    return m.construct(m.findDefinitionByName(u"XML"), text);
}

const PackageFunction Functions[] = {{u"flash.utils", u"describeType", describeType}};

}  // namespace

std::span<const PackageFunction> describeFunctions() { return Functions; }

}  // namespace avm2
