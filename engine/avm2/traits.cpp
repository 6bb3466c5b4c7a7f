#include "avm2/traits.h"

#include "avm2/machine.h"

#include <cmath>
#include <limits>
#include <unordered_set>

namespace avm2 {

Value constantValue(const LoadedAbc& file, const Constant& c) {
    const AbcFile& abc = file.abc;
    switch (c.kind) {
    case ConstantKind::Int:
        return Value::fromInt(abc.ints[c.index]);
    case ConstantKind::UInt:
        return Value::number(abc.uints[c.index]);
    case ConstantKind::Double:
        return Value::number(abc.doubles[c.index]);
    case ConstantKind::Utf8:
        return Value::string(file.strings[c.index]);
    case ConstantKind::True:
        return Value::boolean(true);
    case ConstantKind::False:
        return Value::boolean(false);
    case ConstantKind::Null:
        return Value::null();
    case ConstantKind::Undefined:
        return Value();
    default:
        return Value::ns(file.namespaces[c.index]);
    }
}

namespace {

// The value a slot of a type holds before anything is stored.
Value typeDefault(const String* type) {
    if (!type)
        return Value();
    const std::u16string& t = type->text();
    if (t == u"int" || t == u"uint")
        return Value::fromInt(0);
    if (t == u"Number")
        return Value::number(std::numeric_limits<double>::quiet_NaN());
    if (t == u"Boolean")
        return Value::boolean(false);
    return Value::null();
}

}  // namespace

moviehost::Expected<std::unique_ptr<Traits>, std::u16string> buildTraits(const LoadedAbc& file,
                                                                         const std::vector<Trait>& declared,
                                                                         const Traits* base,
                                                                         const Namespace* protectedNs,
                                                                         const Namespace* baseProtectedNs) {
    auto traits = std::make_unique<Traits>();
    const AbcFile& abc = file.abc;
    if (base) {
        traits->base = base;
        traits->bindings = base->bindings;
        traits->slotDefaults = base->slotDefaults;
        traits->types = base->types;
        if (protectedNs && baseProtectedNs && protectedNs != baseProtectedNs) {
            for (const auto& [name, binding] : base->bindings) {
                if (name.ns == baseProtectedNs)
                    traits->bindings[QName{protectedNs, name.name}] = binding;
            }
        }
    }
    const size_t inherited = traits->slotDefaults.size();
    std::unordered_set<QName, QNameHash> declaredHere;
    for (const Trait& t : declared) {
        const MultinameInfo& mn = abc.multinames[t.name];
        const QName name{file.namespaces[mn.ns], file.strings[mn.name]};
        Binding* existing = nullptr;
        if (auto it = traits->bindings.find(name); it != traits->bindings.end())
            existing = &it->second;
        const bool again = !declaredHere.insert(name).second;
        auto illegalOverride = [&] { return u"Illegal override of " + name.name->text() + u"."; };
        switch (t.kind) {
        case TraitKind::Slot:
        case TraitKind::Const:
        case TraitKind::Class:
        case TraitKind::Function: {
            if (existing || again)
                return moviehost::Unexpected(illegalOverride());
            uint32_t id = t.id;
            if (id == 0 || id <= inherited ||
                (id <= traits->slotDefaults.size() && id > inherited && !traits->slotDefaults[id - 1].isUndefined()))
                id = uint32_t(traits->slotDefaults.size() + 1);
            if (id > traits->slotDefaults.size()) {
                // Ids come from the file; a wild one must not make a huge object.
                if (id > traits->slotDefaults.size() + declared.size())
                    id = uint32_t(traits->slotDefaults.size() + 1);
                traits->slotDefaults.resize(id);
            }
            Binding b;
            b.kind = t.kind == TraitKind::Const ? Binding::Kind::Const : Binding::Kind::Slot;
            b.slot = id;
            if (t.kind == TraitKind::Slot || t.kind == TraitKind::Const) {
                const MultinameInfo& type = abc.multinames[t.index];
                if (t.index != 0 && type.kind == MultinameKind::QName)
                    b.typeName = file.strings[type.name];
                traits->slotDefaults[id - 1] = t.value.index != 0 || t.value.kind != ConstantKind::Undefined
                                                   ? constantValue(file, t.value)
                                                   : typeDefault(b.typeName);
            } else {
                traits->slotDefaults[id - 1] = Value::null();
            }
            traits->bindings[name] = b;
            break;
        }
        case TraitKind::Method:
        case TraitKind::Getter:
        case TraitKind::Setter: {
            const bool overrides = t.attributes & Trait::Override;
            const MethodRef ref{&file, t.index};
            // A getter and a setter of one name pair up; anything else
            // declared twice, or replacing a base member without saying
            // so, is refused.
            const bool pairsUp =
                again && existing && existing->kind == Binding::Kind::Accessor && t.kind != TraitKind::Method;
            if (again && !pairsUp)
                return moviehost::Unexpected(illegalOverride());
            if (existing && !again) {
                if (!overrides || existing->final)
                    return moviehost::Unexpected(illegalOverride());
            } else if (!existing && overrides) {
                return moviehost::Unexpected(illegalOverride());
            }
            Binding b;
            if (t.kind == TraitKind::Method) {
                if (existing && existing->kind != Binding::Kind::Method)
                    return moviehost::Unexpected(illegalOverride());
                b.kind = Binding::Kind::Method;
                b.method = ref;
                b.dispatchId = t.id;
            } else {
                if (existing && existing->kind != Binding::Kind::Accessor)
                    return moviehost::Unexpected(illegalOverride());
                if (existing)
                    b = *existing;
                b.kind = Binding::Kind::Accessor;
                (t.kind == TraitKind::Getter ? b.getter : b.setter) = ref;
            }
            b.final = t.attributes & Trait::Final;
            b.owner = nullptr;  // set by the class once it exists
            traits->bindings[name] = b;
            break;
        }
        }
    }
    return traits;
}

}  // namespace avm2
