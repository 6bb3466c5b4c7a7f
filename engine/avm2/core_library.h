// The core classes, declared as data: each class names its base, its
// constructor, what calling it as a function does (int(x), String(x)), and
// the native members of its prototype and of the class itself. The machine
// installs the tables in order, so a base is always declared before the
// classes that extend it.
#pragma once

#include "avm2/machine.h"

#include <functional>
#include <span>

namespace avm2 {

struct NativeMember {
    const char16_t* name;
    NativeCode code;
};

struct NativeConstant {
    const char16_t* name;
    double value;
};

struct NativeStringConstant {
    const char16_t* name;
    const char16_t* value;
};

// A property of the host's classes read (and written, with a setter)
// through native code; either half may be missing.
struct NativeAccessor {
    const char16_t* name;
    NativeCode get;
    NativeCode set = nullptr;
};

struct CoreClassSpec {
    const char16_t* name;
    const char16_t* base;  // null for Object; "flash.events.Event" for a class of a package
    NativeCode init = nullptr;
    // Makes the instance itself (Array's are ArrayObjects); `init` is then
    // unused. It and callAsFunction get the class called as `this`.
    NativeCode create = nullptr;
    NativeCode callAsFunction = nullptr;
    bool sealed = false;
    std::span<const NativeMember> prototype = {};
    std::span<const NativeMember> statics = {};
    std::span<const NativeConstant> constants = {};
    // The package ("flash.events"); top-level classes have none.
    const char16_t* package = u"";
    // Members bound by the class's traits, as the host's classes declare
    // theirs: sealed, and open to a script subclass's override.
    std::span<const NativeMember> methods = {};
    std::span<const NativeAccessor> accessors = {};
    std::span<const NativeAccessor> staticAccessors = {};
    std::span<const NativeStringConstant> stringConstants = {};
    bool final = false;
    // The namespace `methods` are bound in, when not the public one.
    const char16_t* methodNamespace = nullptr;
    // The prototype's members are methods in the AS3 namespace as well,
    // where compiled code calls them (Array, Vector).
    bool prototypeInAs3 = false;
    // An interface of the library (IExternalizable, IBitmapDrawable), and the
    // interfaces a class implements, by qualified name, declared before it.
    bool interface = false;
    std::span<const char16_t* const> implements = {};
};

// A function of a package (flash.system.fscommand, flash.utils.getTimer).
struct PackageFunction {
    const char16_t* package;
    const char16_t* name;
    NativeCode code;
};

// The tables of each family, in declaration order.
[[nodiscard]] std::span<const CoreClassSpec> objectClasses();  // Object, Function, Boolean, Number, int, uint, String
[[nodiscard]] std::span<const CoreClassSpec> errorClasses();   // Error and its subclasses
[[nodiscard]] std::span<const CoreClassSpec> mathClasses();    // Math
[[nodiscard]] std::span<const CoreClassSpec> arrayClasses();   // Array
[[nodiscard]] std::span<const CoreClassSpec> jsonClasses();    // JSON
[[nodiscard]] std::span<const CoreClassSpec>
byteArrayClasses();  // flash.errors IOError, EOFError; flash.utils ByteArray, Endian
[[nodiscard]] std::span<const CoreClassSpec> dictionaryClasses();    // flash.utils Dictionary
[[nodiscard]] std::span<const CoreClassSpec> vectorClasses();        // __AS3__.vec Vector
[[nodiscard]] std::span<const CoreClassSpec> namespaceClasses();     // Class, Namespace, QName
[[nodiscard]] std::span<const CoreClassSpec> proxyClasses();         // flash.utils Proxy
[[nodiscard]] std::span<const CoreClassSpec> regExpClasses();        // RegExp
[[nodiscard]] std::span<const CoreClassSpec> dateClasses();          // Date
[[nodiscard]] std::span<const PackageFunction> utilsFunctions();     // flash.utils getQualifiedClassName...
[[nodiscard]] std::span<const PackageFunction> aliasFunctions();     // flash.net registerClassAlias, getClassByAlias
[[nodiscard]] std::span<const PackageFunction> describeFunctions();  // flash.utils describeType
[[nodiscard]] std::span<const NativeMember> globalFunctions();       // isNaN, parseInt, trace...

// The class of a value: a class is its own, an instance's is the
// constructor its prototype chain names; none for undefined and null.
[[nodiscard]] ClassObject* classOfValue(Machine& m, Value v);

// Whether the object is a Date (whose conversion without a hint is to text).
[[nodiscard]] bool isDateObject(const Object* o);

// Error's initialiser (message, errorID), shared by the error classes of packages.
Value errorInit(Machine& m, Value self, std::span<const Value> args);
// Keeps the running frames on an error object for getStackTrace.
void recordErrorFrames(Machine& m, Object* error);

// Helpers natives share.
[[nodiscard]] inline Value argument(std::span<const Value> args, size_t i) {
    return i < args.size() ? args[i] : Value();
}

}  // namespace avm2
