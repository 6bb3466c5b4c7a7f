// The contents of one ABC block, as read by the parser. Every index stored
// here has been checked against the pool or table it names, so later passes
// index without checking again. Index 0 of the int, uint, double, string,
// namespace and multiname pools is the entry that the file does not store
// ("any" or "none"); the pools hold it as a default value.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace avm2 {

enum class NamespaceKind : uint8_t {
    Private = 0x05,
    Namespace = 0x08,
    Package = 0x16,
    PackageInternal = 0x17,
    Protected = 0x18,
    Explicit = 0x19,
    StaticProtected = 0x1A,
};

struct NamespaceInfo {
    NamespaceKind kind = NamespaceKind::Namespace;
    uint32_t name = 0;  // string index; 0 for the "any" namespace
};

enum class MultinameKind : uint8_t {
    QName = 0x07,
    QNameA = 0x0D,
    RTQName = 0x0F,
    RTQNameA = 0x10,
    RTQNameL = 0x11,
    RTQNameLA = 0x12,
    Multiname = 0x09,
    MultinameA = 0x0E,
    MultinameL = 0x1B,
    MultinameLA = 0x1C,
    TypeName = 0x1D,
};

struct MultinameInfo {
    MultinameKind kind = MultinameKind::QName;
    uint32_t ns = 0;     // QName: namespace index
    uint32_t name = 0;   // QName, RTQName, Multiname: string index (0 = any name)
    uint32_t nsSet = 0;  // Multiname, MultinameL: namespace set index
    // TypeName: the generic's multiname and its parameters' multinames.
    uint32_t typeBase = 0;
    std::vector<uint32_t> typeParameters;
};

// Values a multiname takes from the stack at run time: a namespace, a name or both.
[[nodiscard]] int runtimeParts(MultinameKind kind);
[[nodiscard]] bool isAttribute(MultinameKind kind);

enum class ConstantKind : uint8_t {
    Undefined = 0x00,
    Utf8 = 0x01,
    Int = 0x03,
    UInt = 0x04,
    PrivateNs = 0x05,
    Double = 0x06,
    Namespace = 0x08,
    False = 0x0A,
    True = 0x0B,
    Null = 0x0C,
    PackageNamespace = 0x16,
    PackageInternalNs = 0x17,
    ProtectedNamespace = 0x18,
    ExplicitNamespace = 0x19,
    StaticProtectedNs = 0x1A,
};

// A default value: a kind and an index into the matching pool.
struct Constant {
    ConstantKind kind = ConstantKind::Undefined;
    uint32_t index = 0;
};

struct MethodInfo {
    enum Flags : uint8_t {
        NeedArguments = 0x01,
        NeedActivation = 0x02,
        NeedRest = 0x04,
        HasOptional = 0x08,
        IgnoreRest = 0x10,
        Native = 0x20,
        SetDxns = 0x40,
        HasParamNames = 0x80,
    };
    std::vector<uint32_t> paramTypes;  // multiname indices, 0 = any
    uint32_t returnType = 0;
    uint32_t name = 0;  // string index
    uint8_t flags = 0;
    std::vector<Constant> optional;    // defaults of the last parameters
    std::vector<uint32_t> paramNames;  // string indices, when present
    uint32_t body = UINT32_MAX;        // index into bodies, or none
};

struct MetadataInfo {
    uint32_t name = 0;
    // Key and value string indices; a key of 0 marks a keyless item.
    std::vector<std::pair<uint32_t, uint32_t>> items;
};

enum class TraitKind : uint8_t { Slot = 0, Method = 1, Getter = 2, Setter = 3, Class = 4, Function = 5, Const = 6 };

struct Trait {
    enum Attributes : uint8_t { Final = 0x1, Override = 0x2, Metadata = 0x4 };
    uint32_t name = 0;  // a QName multiname
    TraitKind kind = TraitKind::Slot;
    uint8_t attributes = 0;
    // Slot, Const, Class, Function: slot id (0 = assigned by the machine).
    // Method, Getter, Setter: dispatch id.
    uint32_t id = 0;
    // Slot, Const: the type's multiname. Class: class index. Others: method index.
    uint32_t index = 0;
    Constant value;  // Slot, Const: the initial value
    std::vector<uint32_t> metadata;
};

struct InstanceInfo {
    enum Flags : uint8_t { Sealed = 0x01, Final = 0x02, Interface = 0x04, ProtectedNs = 0x08 };
    uint32_t name = 0;       // a QName multiname
    uint32_t superName = 0;  // multiname, 0 for none (Object)
    uint8_t flags = 0;
    uint32_t protectedNs = 0;
    std::vector<uint32_t> interfaces;  // multinames
    uint32_t init = 0;                 // method index
    std::vector<Trait> traits;
};

struct ClassInfo {
    uint32_t init = 0;  // method index of the static initialiser
    std::vector<Trait> traits;
};

struct ScriptInfo {
    uint32_t init = 0;
    std::vector<Trait> traits;
};

struct ExceptionInfo {
    uint32_t from = 0;  // code range [from, to) the handler covers
    uint32_t to = 0;
    uint32_t target = 0;
    uint32_t type = 0;     // multiname, 0 = any
    uint32_t varName = 0;  // multiname, 0 = none
};

struct MethodBody {
    uint32_t method = 0;
    uint32_t maxStack = 0;
    uint32_t localCount = 0;
    uint32_t initScopeDepth = 0;
    uint32_t maxScopeDepth = 0;
    std::vector<uint8_t> code;
    std::vector<ExceptionInfo> exceptions;
    std::vector<Trait> traits;  // of the activation object
};

struct AbcFile {
    uint16_t minorVersion = 0;
    uint16_t majorVersion = 0;
    std::vector<int32_t> ints{0};
    std::vector<uint32_t> uints{0};
    std::vector<double> doubles{std::numeric_limits<double>::quiet_NaN()};
    std::vector<std::string> strings{std::string()};  // UTF-8
    std::vector<NamespaceInfo> namespaces{NamespaceInfo{}};
    std::vector<std::vector<uint32_t>> nsSets{std::vector<uint32_t>{}};
    std::vector<MultinameInfo> multinames{MultinameInfo{}};
    std::vector<MethodInfo> methods;
    std::vector<MetadataInfo> metadata;
    std::vector<InstanceInfo> instances;
    std::vector<ClassInfo> classes;  // one per instance
    std::vector<ScriptInfo> scripts;
    std::vector<MethodBody> bodies;
};

}  // namespace avm2
