// The action byte code of SWF 3 to 8: every action's code, name and operand
// format, the push value types and the operand flag bits. The interpreter
// decodes with it and the test movie writer encodes with it, so no action
// number is written anywhere else.
//
// A record is one code byte; codes from 0x80 on are followed by a 16-bit
// little-endian payload length and the payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace script {

enum class ActionCode : uint8_t {
    End = 0x00,
    // SWF 3
    NextFrame = 0x04,
    PreviousFrame = 0x05,
    Play = 0x06,
    Stop = 0x07,
    ToggleQuality = 0x08,
    StopSounds = 0x09,
    // SWF 4
    Add = 0x0A,
    Subtract = 0x0B,
    Multiply = 0x0C,
    Divide = 0x0D,
    Equals = 0x0E,
    Less = 0x0F,
    And = 0x10,
    Or = 0x11,
    Not = 0x12,
    StringEquals = 0x13,
    StringLength = 0x14,
    StringExtract = 0x15,
    Pop = 0x17,
    ToInteger = 0x18,
    GetVariable = 0x1C,
    SetVariable = 0x1D,
    SetTarget2 = 0x20,
    StringAdd = 0x21,
    GetProperty = 0x22,
    SetProperty = 0x23,
    CloneSprite = 0x24,
    RemoveSprite = 0x25,
    Trace = 0x26,
    StartDrag = 0x27,
    EndDrag = 0x28,
    StringLess = 0x29,
    // SWF 7
    Throw = 0x2A,
    CastOp = 0x2B,
    ImplementsOp = 0x2C,
    // SWF 4
    RandomNumber = 0x30,
    MbStringLength = 0x31,
    CharToAscii = 0x32,
    AsciiToChar = 0x33,
    GetTime = 0x34,
    MbStringExtract = 0x35,
    MbCharToAscii = 0x36,
    MbAsciiToChar = 0x37,
    // SWF 5
    Delete = 0x3A,
    Delete2 = 0x3B,
    DefineLocal = 0x3C,
    CallFunction = 0x3D,
    Return = 0x3E,
    Modulo = 0x3F,
    NewObject = 0x40,
    DefineLocal2 = 0x41,
    InitArray = 0x42,
    InitObject = 0x43,
    TypeOf = 0x44,
    TargetPath = 0x45,
    Enumerate = 0x46,
    Add2 = 0x47,
    Less2 = 0x48,
    Equals2 = 0x49,
    ToNumber = 0x4A,
    ToString = 0x4B,
    PushDuplicate = 0x4C,
    StackSwap = 0x4D,
    GetMember = 0x4E,
    SetMember = 0x4F,
    Increment = 0x50,
    Decrement = 0x51,
    CallMethod = 0x52,
    NewMethod = 0x53,
    // SWF 6
    InstanceOf = 0x54,
    Enumerate2 = 0x55,
    // SWF 5
    BitAnd = 0x60,
    BitOr = 0x61,
    BitXor = 0x62,
    BitLShift = 0x63,
    BitRShift = 0x64,
    BitURShift = 0x65,
    // SWF 6
    StrictEquals = 0x66,
    Greater = 0x67,
    StringGreater = 0x68,
    // SWF 7
    Extends = 0x69,
    // Records with a payload.
    GotoFrame = 0x81,
    GetUrl = 0x83,
    StoreRegister = 0x87,
    ConstantPool = 0x88,
    WaitForFrame = 0x8A,
    SetTarget = 0x8B,
    GoToLabel = 0x8C,
    WaitForFrame2 = 0x8D,
    DefineFunction2 = 0x8E,
    Try = 0x8F,
    With = 0x94,
    Push = 0x96,
    Jump = 0x99,
    GetUrl2 = 0x9A,
    DefineFunction = 0x9B,
    If = 0x9D,
    Call = 0x9E,
    GotoFrame2 = 0x9F,
};

// What follows the code byte.
enum class Operands : uint8_t {
    None,            // a one-byte record
    Empty,           // a payload length of 0
    Frame,           // u16 frame number
    Register,        // u8 register number
    SkipCount,       // u8: actions to skip when the frame is not loaded
    FrameSkipCount,  // u16 frame, u8 skip count
    BlockSize,       // u16 size of the code that follows the record
    BranchOffset,    // s16 from the end of the record
    UrlFlags,        // u8 GetUrl2Flag bits
    GotoFlags,       // u8 GotoFrame2Flag bits, then u16 scene bias with SceneBias
    Text,            // one zero-terminated string
    TwoTexts,        // url and window, zero-terminated
    PoolStrings,     // u16 count, that many strings
    PushValues,      // PushType byte, value; repeated to the end
    Function,        // name, u16 count, parameter names, u16 body size
    Function2,       // name, u16 count, u8 registers, u16 flags, (u8 register, name)..., u16 body size
    TryBlocks,       // u8 TryFlag bits, u16 try/catch/finally sizes, catch name or u8 register
};

struct ActionInfo {
    ActionCode code = ActionCode::End;
    std::string_view name;
    Operands operands = Operands::None;
    // Payload bytes the interpreter needs before it looks at the record;
    // a shorter record stops the block as malformed.
    uint8_t minPayload = 0;
};

inline constexpr ActionInfo ActionTable[] = {
    {ActionCode::End, "End", Operands::None, 0},
    {ActionCode::NextFrame, "NextFrame", Operands::None, 0},
    {ActionCode::PreviousFrame, "PreviousFrame", Operands::None, 0},
    {ActionCode::Play, "Play", Operands::None, 0},
    {ActionCode::Stop, "Stop", Operands::None, 0},
    {ActionCode::ToggleQuality, "ToggleQuality", Operands::None, 0},
    {ActionCode::StopSounds, "StopSounds", Operands::None, 0},
    {ActionCode::Add, "Add", Operands::None, 0},
    {ActionCode::Subtract, "Subtract", Operands::None, 0},
    {ActionCode::Multiply, "Multiply", Operands::None, 0},
    {ActionCode::Divide, "Divide", Operands::None, 0},
    {ActionCode::Equals, "Equals", Operands::None, 0},
    {ActionCode::Less, "Less", Operands::None, 0},
    {ActionCode::And, "And", Operands::None, 0},
    {ActionCode::Or, "Or", Operands::None, 0},
    {ActionCode::Not, "Not", Operands::None, 0},
    {ActionCode::StringEquals, "StringEquals", Operands::None, 0},
    {ActionCode::StringLength, "StringLength", Operands::None, 0},
    {ActionCode::StringExtract, "StringExtract", Operands::None, 0},
    {ActionCode::Pop, "Pop", Operands::None, 0},
    {ActionCode::ToInteger, "ToInteger", Operands::None, 0},
    {ActionCode::GetVariable, "GetVariable", Operands::None, 0},
    {ActionCode::SetVariable, "SetVariable", Operands::None, 0},
    {ActionCode::SetTarget2, "SetTarget2", Operands::None, 0},
    {ActionCode::StringAdd, "StringAdd", Operands::None, 0},
    {ActionCode::GetProperty, "GetProperty", Operands::None, 0},
    {ActionCode::SetProperty, "SetProperty", Operands::None, 0},
    {ActionCode::CloneSprite, "CloneSprite", Operands::None, 0},
    {ActionCode::RemoveSprite, "RemoveSprite", Operands::None, 0},
    {ActionCode::Trace, "Trace", Operands::None, 0},
    {ActionCode::StartDrag, "StartDrag", Operands::None, 0},
    {ActionCode::EndDrag, "EndDrag", Operands::None, 0},
    {ActionCode::StringLess, "StringLess", Operands::None, 0},
    {ActionCode::Throw, "Throw", Operands::None, 0},
    {ActionCode::CastOp, "CastOp", Operands::None, 0},
    {ActionCode::ImplementsOp, "ImplementsOp", Operands::None, 0},
    {ActionCode::RandomNumber, "RandomNumber", Operands::None, 0},
    {ActionCode::MbStringLength, "MBStringLength", Operands::None, 0},
    {ActionCode::CharToAscii, "CharToAscii", Operands::None, 0},
    {ActionCode::AsciiToChar, "AsciiToChar", Operands::None, 0},
    {ActionCode::GetTime, "GetTime", Operands::None, 0},
    {ActionCode::MbStringExtract, "MBStringExtract", Operands::None, 0},
    {ActionCode::MbCharToAscii, "MBCharToAscii", Operands::None, 0},
    {ActionCode::MbAsciiToChar, "MBAsciiToChar", Operands::None, 0},
    {ActionCode::Delete, "Delete", Operands::None, 0},
    {ActionCode::Delete2, "Delete2", Operands::None, 0},
    {ActionCode::DefineLocal, "DefineLocal", Operands::None, 0},
    {ActionCode::CallFunction, "CallFunction", Operands::None, 0},
    {ActionCode::Return, "Return", Operands::None, 0},
    {ActionCode::Modulo, "Modulo", Operands::None, 0},
    {ActionCode::NewObject, "NewObject", Operands::None, 0},
    {ActionCode::DefineLocal2, "DefineLocal2", Operands::None, 0},
    {ActionCode::InitArray, "InitArray", Operands::None, 0},
    {ActionCode::InitObject, "InitObject", Operands::None, 0},
    {ActionCode::TypeOf, "TypeOf", Operands::None, 0},
    {ActionCode::TargetPath, "TargetPath", Operands::None, 0},
    {ActionCode::Enumerate, "Enumerate", Operands::None, 0},
    {ActionCode::Add2, "Add2", Operands::None, 0},
    {ActionCode::Less2, "Less2", Operands::None, 0},
    {ActionCode::Equals2, "Equals2", Operands::None, 0},
    {ActionCode::ToNumber, "ToNumber", Operands::None, 0},
    {ActionCode::ToString, "ToString", Operands::None, 0},
    {ActionCode::PushDuplicate, "PushDuplicate", Operands::None, 0},
    {ActionCode::StackSwap, "StackSwap", Operands::None, 0},
    {ActionCode::GetMember, "GetMember", Operands::None, 0},
    {ActionCode::SetMember, "SetMember", Operands::None, 0},
    {ActionCode::Increment, "Increment", Operands::None, 0},
    {ActionCode::Decrement, "Decrement", Operands::None, 0},
    {ActionCode::CallMethod, "CallMethod", Operands::None, 0},
    {ActionCode::NewMethod, "NewMethod", Operands::None, 0},
    {ActionCode::InstanceOf, "InstanceOf", Operands::None, 0},
    {ActionCode::Enumerate2, "Enumerate2", Operands::None, 0},
    {ActionCode::BitAnd, "BitAnd", Operands::None, 0},
    {ActionCode::BitOr, "BitOr", Operands::None, 0},
    {ActionCode::BitXor, "BitXor", Operands::None, 0},
    {ActionCode::BitLShift, "BitLShift", Operands::None, 0},
    {ActionCode::BitRShift, "BitRShift", Operands::None, 0},
    {ActionCode::BitURShift, "BitURShift", Operands::None, 0},
    {ActionCode::StrictEquals, "StrictEquals", Operands::None, 0},
    {ActionCode::Greater, "Greater", Operands::None, 0},
    {ActionCode::StringGreater, "StringGreater", Operands::None, 0},
    {ActionCode::Extends, "Extends", Operands::None, 0},
    {ActionCode::GotoFrame, "GotoFrame", Operands::Frame, 2},
    {ActionCode::GetUrl, "GetURL", Operands::TwoTexts, 0},
    {ActionCode::StoreRegister, "StoreRegister", Operands::Register, 1},
    {ActionCode::ConstantPool, "ConstantPool", Operands::PoolStrings, 2},
    {ActionCode::WaitForFrame, "WaitForFrame", Operands::FrameSkipCount, 3},
    {ActionCode::SetTarget, "SetTarget", Operands::Text, 0},
    {ActionCode::GoToLabel, "GoToLabel", Operands::Text, 0},
    {ActionCode::WaitForFrame2, "WaitForFrame2", Operands::SkipCount, 1},
    {ActionCode::DefineFunction2, "DefineFunction2", Operands::Function2, 0},
    {ActionCode::Try, "Try", Operands::TryBlocks, 7},
    {ActionCode::With, "With", Operands::BlockSize, 2},
    {ActionCode::Push, "Push", Operands::PushValues, 0},
    {ActionCode::Jump, "Jump", Operands::BranchOffset, 2},
    {ActionCode::GetUrl2, "GetURL2", Operands::UrlFlags, 1},
    {ActionCode::DefineFunction, "DefineFunction", Operands::Function, 0},
    {ActionCode::If, "If", Operands::BranchOffset, 2},
    {ActionCode::Call, "Call", Operands::Empty, 0},
    {ActionCode::GotoFrame2, "GotoFrame2", Operands::GotoFlags, 1},
};

// Whether the code byte is followed by a length and a payload.
[[nodiscard]] constexpr bool hasPayload(uint8_t code) { return code >= 0x80; }
[[nodiscard]] constexpr bool hasPayload(ActionCode code) { return hasPayload(uint8_t(code)); }

// The table's entry for a code; null for a code no version defines.
[[nodiscard]] constexpr const ActionInfo* actionInfo(uint8_t code) {
    for (const ActionInfo& info : ActionTable) {
        if (uint8_t(info.code) == code)
            return &info;
    }
    return nullptr;
}

// Each code once; exactly the codes from 0x80 on carry a payload.
[[nodiscard]] constexpr bool actionTableIsConsistent() {
    for (const ActionInfo& info : ActionTable) {
        if ((info.operands != Operands::None) != hasPayload(info.code) || actionInfo(uint8_t(info.code)) != &info)
            return false;
    }
    return true;
}
static_assert(actionTableIsConsistent());

// Type bytes of the values in a Push.
enum class PushType : uint8_t {
    String = 0,
    Float = 1,
    Null = 2,
    Undefined = 3,
    Register = 4,
    Boolean = 5,
    Double = 6,  // the two 32-bit halves high half first
    Integer = 7,
    Constant8 = 8,
    Constant16 = 9,
};

// GetUrl2's flag byte: the method (0 none, 1 GET, 2 POST) in the top two bits.
struct GetUrl2Flag {
    static constexpr uint8_t MethodShift = 6;
    static constexpr uint8_t LoadTarget = 1u << 1;  // the window is a clip path
    static constexpr uint8_t LoadVariables = 1u << 0;
};

// GotoFrame2's flag byte.
struct GotoFrame2Flag {
    static constexpr uint8_t SceneBias = 1u << 1;  // a u16 bias follows
    static constexpr uint8_t Play = 1u << 0;
};

// Try's flag byte.
struct TryFlag {
    static constexpr uint8_t CatchInRegister = 1u << 2;
    static constexpr uint8_t HasFinally = 1u << 1;
    static constexpr uint8_t HasCatch = 1u << 0;
};

// DefineFunction2 flags, as the record stores them (first byte high).
struct FunctionFlag {
    static constexpr uint16_t PreloadParent = 1u << 15;
    static constexpr uint16_t PreloadRoot = 1u << 14;
    static constexpr uint16_t SuppressSuper = 1u << 13;
    static constexpr uint16_t PreloadSuper = 1u << 12;
    static constexpr uint16_t SuppressArguments = 1u << 11;
    static constexpr uint16_t PreloadArguments = 1u << 10;
    static constexpr uint16_t SuppressThis = 1u << 9;
    static constexpr uint16_t PreloadThis = 1u << 8;
    static constexpr uint16_t PreloadGlobal = 1u << 0;
};

// Little-endian operand fields (the caller has checked the size).
[[nodiscard]] inline uint16_t readU16(std::span<const uint8_t> b, size_t at) {
    return uint16_t(b[at] | (b[at + 1] << 8));
}

[[nodiscard]] inline uint32_t readU32(std::span<const uint8_t> b, size_t at) {
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

}  // namespace script
