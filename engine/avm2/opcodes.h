// The AVM2 instruction set, named once. Each row gives the opcode, its
// mnemonic, the formats of its operands, the values it pops and pushes and
// its control-flow class. The verifier, the decoder, the interpreter and the
// test assembler all read this table, so an instruction is added in one place.
//
// Pops and pushes are the fixed part of the stack effect; rows whose effect
// also depends on an argument count or a runtime multiname say so with the
// Effect column, and stackEffect() in the decoder computes the whole.
#pragma once

#include <cstdint>

namespace avm2 {

// How an operand is encoded and what it refers to.
enum class Operand : uint8_t {
    None,
    Byte,         // u8 (raw; pushbyte sign-extends it)
    ScopeIndex,   // u8 index into the local scope stack
    U30,          // u30 with no further meaning (line numbers, dispatch ids, pushshort)
    ArgCount,     // u30 argument count
    Register,     // u30 local register
    IntIndex,     // u30 into the int pool (1..)
    UIntIndex,    // u30 into the uint pool (1..)
    DoubleIndex,  // u30 into the double pool (1..)
    StringIndex,  // u30 into the string pool (1..)
    NamespaceIndex,
    MultinameIndex,
    MethodIndex,
    ClassIndex,
    ExceptionIndex,  // u30 into the body's exception table
    SlotIndex,       // u30 slot id (1..), checked against the object at run time
    Branch,          // s24 offset from the end of the instruction
    Switch,          // lookupswitch: s24 default, u30 case count, s24 per case + 1
    Debug,           // debug: u8 kind, u30 string, u8 register, u30 extra
};

// The variable part of an instruction's stack effect.
enum class Effect : uint8_t {
    Fixed,
    Name,      // + the runtime parts of the multiname operand
    NameArgs,  // + the runtime parts of the multiname + argument count
    Args,      // + argument count (operand 1, or 2 after a method/dispatch id)
    PairArgs,  // + 2 * argument count (newobject)
};

// Control flow after the instruction.
enum class Flow : uint8_t {
    Next,    // falls through
    Branch,  // conditional: the target or the next instruction
    Jump,    // unconditional jump
    Switch,  // lookupswitch
    End,     // return or throw: no successor in the body
};

// X(Name, code, "mnemonic", operand1, operand2, pops, pushes, effect, flow)
#define AVM2_INSTRUCTIONS(X)                                                                \
    X(Bkpt, 0x01, "bkpt", None, None, 0, 0, Fixed, Next)                                    \
    X(Nop, 0x02, "nop", None, None, 0, 0, Fixed, Next)                                      \
    X(Throw, 0x03, "throw", None, None, 1, 0, Fixed, End)                                   \
    X(GetSuper, 0x04, "getsuper", MultinameIndex, None, 1, 1, Name, Next)                   \
    X(SetSuper, 0x05, "setsuper", MultinameIndex, None, 2, 0, Name, Next)                   \
    X(Dxns, 0x06, "dxns", StringIndex, None, 0, 0, Fixed, Next)                             \
    X(DxnsLate, 0x07, "dxnslate", None, None, 1, 0, Fixed, Next)                            \
    X(Kill, 0x08, "kill", Register, None, 0, 0, Fixed, Next)                                \
    X(Label, 0x09, "label", None, None, 0, 0, Fixed, Next)                                  \
    X(IfNlt, 0x0C, "ifnlt", Branch, None, 2, 0, Fixed, Branch)                              \
    X(IfNle, 0x0D, "ifnle", Branch, None, 2, 0, Fixed, Branch)                              \
    X(IfNgt, 0x0E, "ifngt", Branch, None, 2, 0, Fixed, Branch)                              \
    X(IfNge, 0x0F, "ifnge", Branch, None, 2, 0, Fixed, Branch)                              \
    X(Jump, 0x10, "jump", Branch, None, 0, 0, Fixed, Jump)                                  \
    X(IfTrue, 0x11, "iftrue", Branch, None, 1, 0, Fixed, Branch)                            \
    X(IfFalse, 0x12, "iffalse", Branch, None, 1, 0, Fixed, Branch)                          \
    X(IfEq, 0x13, "ifeq", Branch, None, 2, 0, Fixed, Branch)                                \
    X(IfNe, 0x14, "ifne", Branch, None, 2, 0, Fixed, Branch)                                \
    X(IfLt, 0x15, "iflt", Branch, None, 2, 0, Fixed, Branch)                                \
    X(IfLe, 0x16, "ifle", Branch, None, 2, 0, Fixed, Branch)                                \
    X(IfGt, 0x17, "ifgt", Branch, None, 2, 0, Fixed, Branch)                                \
    X(IfGe, 0x18, "ifge", Branch, None, 2, 0, Fixed, Branch)                                \
    X(IfStrictEq, 0x19, "ifstricteq", Branch, None, 2, 0, Fixed, Branch)                    \
    X(IfStrictNe, 0x1A, "ifstrictne", Branch, None, 2, 0, Fixed, Branch)                    \
    X(LookupSwitch, 0x1B, "lookupswitch", Switch, None, 1, 0, Fixed, Switch)                \
    X(PushWith, 0x1C, "pushwith", None, None, 1, 0, Fixed, Next)                            \
    X(PopScope, 0x1D, "popscope", None, None, 0, 0, Fixed, Next)                            \
    X(NextName, 0x1E, "nextname", None, None, 2, 1, Fixed, Next)                            \
    X(HasNext, 0x1F, "hasnext", None, None, 2, 1, Fixed, Next)                              \
    X(PushNull, 0x20, "pushnull", None, None, 0, 1, Fixed, Next)                            \
    X(PushUndefined, 0x21, "pushundefined", None, None, 0, 1, Fixed, Next)                  \
    X(NextValue, 0x23, "nextvalue", None, None, 2, 1, Fixed, Next)                          \
    X(PushByte, 0x24, "pushbyte", Byte, None, 0, 1, Fixed, Next)                            \
    X(PushShort, 0x25, "pushshort", U30, None, 0, 1, Fixed, Next)                           \
    X(PushTrue, 0x26, "pushtrue", None, None, 0, 1, Fixed, Next)                            \
    X(PushFalse, 0x27, "pushfalse", None, None, 0, 1, Fixed, Next)                          \
    X(PushNaN, 0x28, "pushnan", None, None, 0, 1, Fixed, Next)                              \
    X(Pop, 0x29, "pop", None, None, 1, 0, Fixed, Next)                                      \
    X(Dup, 0x2A, "dup", None, None, 1, 2, Fixed, Next)                                      \
    X(Swap, 0x2B, "swap", None, None, 2, 2, Fixed, Next)                                    \
    X(PushString, 0x2C, "pushstring", StringIndex, None, 0, 1, Fixed, Next)                 \
    X(PushInt, 0x2D, "pushint", IntIndex, None, 0, 1, Fixed, Next)                          \
    X(PushUInt, 0x2E, "pushuint", UIntIndex, None, 0, 1, Fixed, Next)                       \
    X(PushDouble, 0x2F, "pushdouble", DoubleIndex, None, 0, 1, Fixed, Next)                 \
    X(PushScope, 0x30, "pushscope", None, None, 1, 0, Fixed, Next)                          \
    X(PushNamespace, 0x31, "pushnamespace", NamespaceIndex, None, 0, 1, Fixed, Next)        \
    X(HasNext2, 0x32, "hasnext2", Register, Register, 0, 1, Fixed, Next)                    \
    X(Li8, 0x35, "li8", None, None, 1, 1, Fixed, Next)                                      \
    X(Li16, 0x36, "li16", None, None, 1, 1, Fixed, Next)                                    \
    X(Li32, 0x37, "li32", None, None, 1, 1, Fixed, Next)                                    \
    X(Lf32, 0x38, "lf32", None, None, 1, 1, Fixed, Next)                                    \
    X(Lf64, 0x39, "lf64", None, None, 1, 1, Fixed, Next)                                    \
    X(Si8, 0x3A, "si8", None, None, 2, 0, Fixed, Next)                                      \
    X(Si16, 0x3B, "si16", None, None, 2, 0, Fixed, Next)                                    \
    X(Si32, 0x3C, "si32", None, None, 2, 0, Fixed, Next)                                    \
    X(Sf32, 0x3D, "sf32", None, None, 2, 0, Fixed, Next)                                    \
    X(Sf64, 0x3E, "sf64", None, None, 2, 0, Fixed, Next)                                    \
    X(NewFunction, 0x40, "newfunction", MethodIndex, None, 0, 1, Fixed, Next)               \
    X(Call, 0x41, "call", ArgCount, None, 2, 1, Args, Next)                                 \
    X(Construct, 0x42, "construct", ArgCount, None, 1, 1, Args, Next)                       \
    X(CallMethod, 0x43, "callmethod", U30, ArgCount, 1, 1, Args, Next)                      \
    X(CallStatic, 0x44, "callstatic", MethodIndex, ArgCount, 1, 1, Args, Next)              \
    X(CallSuper, 0x45, "callsuper", MultinameIndex, ArgCount, 1, 1, NameArgs, Next)         \
    X(CallProperty, 0x46, "callproperty", MultinameIndex, ArgCount, 1, 1, NameArgs, Next)   \
    X(ReturnVoid, 0x47, "returnvoid", None, None, 0, 0, Fixed, End)                         \
    X(ReturnValue, 0x48, "returnvalue", None, None, 1, 0, Fixed, End)                       \
    X(ConstructSuper, 0x49, "constructsuper", ArgCount, None, 1, 0, Args, Next)             \
    X(ConstructProp, 0x4A, "constructprop", MultinameIndex, ArgCount, 1, 1, NameArgs, Next) \
    X(CallPropLex, 0x4C, "callproplex", MultinameIndex, ArgCount, 1, 1, NameArgs, Next)     \
    X(CallSuperVoid, 0x4E, "callsupervoid", MultinameIndex, ArgCount, 1, 0, NameArgs, Next) \
    X(CallPropVoid, 0x4F, "callpropvoid", MultinameIndex, ArgCount, 1, 0, NameArgs, Next)   \
    X(Sxi1, 0x50, "sxi1", None, None, 1, 1, Fixed, Next)                                    \
    X(Sxi8, 0x51, "sxi8", None, None, 1, 1, Fixed, Next)                                    \
    X(Sxi16, 0x52, "sxi16", None, None, 1, 1, Fixed, Next)                                  \
    X(ApplyType, 0x53, "applytype", ArgCount, None, 1, 1, Args, Next)                       \
    X(NewObject, 0x55, "newobject", ArgCount, None, 0, 1, PairArgs, Next)                   \
    X(NewArray, 0x56, "newarray", ArgCount, None, 0, 1, Args, Next)                         \
    X(NewActivation, 0x57, "newactivation", None, None, 0, 1, Fixed, Next)                  \
    X(NewClass, 0x58, "newclass", ClassIndex, None, 1, 1, Fixed, Next)                      \
    X(GetDescendants, 0x59, "getdescendants", MultinameIndex, None, 1, 1, Name, Next)       \
    X(NewCatch, 0x5A, "newcatch", ExceptionIndex, None, 0, 1, Fixed, Next)                  \
    X(FindPropStrict, 0x5D, "findpropstrict", MultinameIndex, None, 0, 1, Name, Next)       \
    X(FindProperty, 0x5E, "findproperty", MultinameIndex, None, 0, 1, Name, Next)           \
    X(FindDef, 0x5F, "finddef", MultinameIndex, None, 0, 1, Fixed, Next)                    \
    X(GetLex, 0x60, "getlex", MultinameIndex, None, 0, 1, Fixed, Next)                      \
    X(SetProperty, 0x61, "setproperty", MultinameIndex, None, 2, 0, Name, Next)             \
    X(GetLocal, 0x62, "getlocal", Register, None, 0, 1, Fixed, Next)                        \
    X(SetLocal, 0x63, "setlocal", Register, None, 1, 0, Fixed, Next)                        \
    X(GetGlobalScope, 0x64, "getglobalscope", None, None, 0, 1, Fixed, Next)                \
    X(GetScopeObject, 0x65, "getscopeobject", ScopeIndex, None, 0, 1, Fixed, Next)          \
    X(GetProperty, 0x66, "getproperty", MultinameIndex, None, 1, 1, Name, Next)             \
    X(GetOuterScope, 0x67, "getouterscope", U30, None, 0, 1, Fixed, Next)                   \
    X(InitProperty, 0x68, "initproperty", MultinameIndex, None, 2, 0, Name, Next)           \
    X(DeleteProperty, 0x6A, "deleteproperty", MultinameIndex, None, 1, 1, Name, Next)       \
    X(GetSlot, 0x6C, "getslot", SlotIndex, None, 1, 1, Fixed, Next)                         \
    X(SetSlot, 0x6D, "setslot", SlotIndex, None, 2, 0, Fixed, Next)                         \
    X(GetGlobalSlot, 0x6E, "getglobalslot", SlotIndex, None, 0, 1, Fixed, Next)             \
    X(SetGlobalSlot, 0x6F, "setglobalslot", SlotIndex, None, 1, 0, Fixed, Next)             \
    X(ConvertS, 0x70, "convert_s", None, None, 1, 1, Fixed, Next)                           \
    X(EscXElem, 0x71, "esc_xelem", None, None, 1, 1, Fixed, Next)                           \
    X(EscXAttr, 0x72, "esc_xattr", None, None, 1, 1, Fixed, Next)                           \
    X(ConvertI, 0x73, "convert_i", None, None, 1, 1, Fixed, Next)                           \
    X(ConvertU, 0x74, "convert_u", None, None, 1, 1, Fixed, Next)                           \
    X(ConvertD, 0x75, "convert_d", None, None, 1, 1, Fixed, Next)                           \
    X(ConvertB, 0x76, "convert_b", None, None, 1, 1, Fixed, Next)                           \
    X(ConvertO, 0x77, "convert_o", None, None, 1, 1, Fixed, Next)                           \
    X(CheckFilter, 0x78, "checkfilter", None, None, 1, 1, Fixed, Next)                      \
    X(Coerce, 0x80, "coerce", MultinameIndex, None, 1, 1, Fixed, Next)                      \
    X(CoerceB, 0x81, "coerce_b", None, None, 1, 1, Fixed, Next)                             \
    X(CoerceA, 0x82, "coerce_a", None, None, 1, 1, Fixed, Next)                             \
    X(CoerceI, 0x83, "coerce_i", None, None, 1, 1, Fixed, Next)                             \
    X(CoerceD, 0x84, "coerce_d", None, None, 1, 1, Fixed, Next)                             \
    X(CoerceS, 0x85, "coerce_s", None, None, 1, 1, Fixed, Next)                             \
    X(AsType, 0x86, "astype", MultinameIndex, None, 1, 1, Fixed, Next)                      \
    X(AsTypeLate, 0x87, "astypelate", None, None, 2, 1, Fixed, Next)                        \
    X(CoerceU, 0x88, "coerce_u", None, None, 1, 1, Fixed, Next)                             \
    X(CoerceO, 0x89, "coerce_o", None, None, 1, 1, Fixed, Next)                             \
    X(Negate, 0x90, "negate", None, None, 1, 1, Fixed, Next)                                \
    X(Increment, 0x91, "increment", None, None, 1, 1, Fixed, Next)                          \
    X(IncLocal, 0x92, "inclocal", Register, None, 0, 0, Fixed, Next)                        \
    X(Decrement, 0x93, "decrement", None, None, 1, 1, Fixed, Next)                          \
    X(DecLocal, 0x94, "declocal", Register, None, 0, 0, Fixed, Next)                        \
    X(TypeOf, 0x95, "typeof", None, None, 1, 1, Fixed, Next)                                \
    X(Not, 0x96, "not", None, None, 1, 1, Fixed, Next)                                      \
    X(BitNot, 0x97, "bitnot", None, None, 1, 1, Fixed, Next)                                \
    X(Add, 0xA0, "add", None, None, 2, 1, Fixed, Next)                                      \
    X(Subtract, 0xA1, "subtract", None, None, 2, 1, Fixed, Next)                            \
    X(Multiply, 0xA2, "multiply", None, None, 2, 1, Fixed, Next)                            \
    X(Divide, 0xA3, "divide", None, None, 2, 1, Fixed, Next)                                \
    X(Modulo, 0xA4, "modulo", None, None, 2, 1, Fixed, Next)                                \
    X(LShift, 0xA5, "lshift", None, None, 2, 1, Fixed, Next)                                \
    X(RShift, 0xA6, "rshift", None, None, 2, 1, Fixed, Next)                                \
    X(URShift, 0xA7, "urshift", None, None, 2, 1, Fixed, Next)                              \
    X(BitAnd, 0xA8, "bitand", None, None, 2, 1, Fixed, Next)                                \
    X(BitOr, 0xA9, "bitor", None, None, 2, 1, Fixed, Next)                                  \
    X(BitXor, 0xAA, "bitxor", None, None, 2, 1, Fixed, Next)                                \
    X(Equals, 0xAB, "equals", None, None, 2, 1, Fixed, Next)                                \
    X(StrictEquals, 0xAC, "strictequals", None, None, 2, 1, Fixed, Next)                    \
    X(LessThan, 0xAD, "lessthan", None, None, 2, 1, Fixed, Next)                            \
    X(LessEquals, 0xAE, "lessequals", None, None, 2, 1, Fixed, Next)                        \
    X(GreaterThan, 0xAF, "greaterthan", None, None, 2, 1, Fixed, Next)                      \
    X(GreaterEquals, 0xB0, "greaterequals", None, None, 2, 1, Fixed, Next)                  \
    X(InstanceOf, 0xB1, "instanceof", None, None, 2, 1, Fixed, Next)                        \
    X(IsType, 0xB2, "istype", MultinameIndex, None, 1, 1, Fixed, Next)                      \
    X(IsTypeLate, 0xB3, "istypelate", None, None, 2, 1, Fixed, Next)                        \
    X(In, 0xB4, "in", None, None, 2, 1, Fixed, Next)                                        \
    X(IncrementI, 0xC0, "increment_i", None, None, 1, 1, Fixed, Next)                       \
    X(DecrementI, 0xC1, "decrement_i", None, None, 1, 1, Fixed, Next)                       \
    X(IncLocalI, 0xC2, "inclocal_i", Register, None, 0, 0, Fixed, Next)                     \
    X(DecLocalI, 0xC3, "declocal_i", Register, None, 0, 0, Fixed, Next)                     \
    X(NegateI, 0xC4, "negate_i", None, None, 1, 1, Fixed, Next)                             \
    X(AddI, 0xC5, "add_i", None, None, 2, 1, Fixed, Next)                                   \
    X(SubtractI, 0xC6, "subtract_i", None, None, 2, 1, Fixed, Next)                         \
    X(MultiplyI, 0xC7, "multiply_i", None, None, 2, 1, Fixed, Next)                         \
    X(GetLocal0, 0xD0, "getlocal_0", None, None, 0, 1, Fixed, Next)                         \
    X(GetLocal1, 0xD1, "getlocal_1", None, None, 0, 1, Fixed, Next)                         \
    X(GetLocal2, 0xD2, "getlocal_2", None, None, 0, 1, Fixed, Next)                         \
    X(GetLocal3, 0xD3, "getlocal_3", None, None, 0, 1, Fixed, Next)                         \
    X(SetLocal0, 0xD4, "setlocal_0", None, None, 1, 0, Fixed, Next)                         \
    X(SetLocal1, 0xD5, "setlocal_1", None, None, 1, 0, Fixed, Next)                         \
    X(SetLocal2, 0xD6, "setlocal_2", None, None, 1, 0, Fixed, Next)                         \
    X(SetLocal3, 0xD7, "setlocal_3", None, None, 1, 0, Fixed, Next)                         \
    X(Debug, 0xEF, "debug", Debug, None, 0, 0, Fixed, Next)                                 \
    X(DebugLine, 0xF0, "debugline", U30, None, 0, 0, Fixed, Next)                           \
    X(DebugFile, 0xF1, "debugfile", StringIndex, None, 0, 0, Fixed, Next)                   \
    X(BkptLine, 0xF2, "bkptline", U30, None, 0, 0, Fixed, Next)                             \
    X(Timestamp, 0xF3, "timestamp", None, None, 0, 0, Fixed, Next)

enum class Op : uint8_t {
#define AVM2_ENUM(name, code, mnemonic, a, b, pops, pushes, effect, flow) name = code,
    AVM2_INSTRUCTIONS(AVM2_ENUM)
#undef AVM2_ENUM
};

struct OpInfo {
    const char* mnemonic = nullptr;  // null: not an instruction
    Operand operands[2] = {Operand::None, Operand::None};
    uint8_t pops = 0;
    uint8_t pushes = 0;
    Effect effect = Effect::Fixed;
    Flow flow = Flow::Next;
};

// The row of an opcode byte; undefined bytes have a null mnemonic.
[[nodiscard]] const OpInfo& opInfo(uint8_t code);

}  // namespace avm2
