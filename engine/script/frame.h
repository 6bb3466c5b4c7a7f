// One running piece of action code: a timeline block (frame actions, clip
// and button events) or a script function's body.
//
// Scope chain, innermost last: for timeline code the current target clip
// (SetTarget replaces it), for a function the chain it was defined in plus
// its activation object; With blocks push their object on top while they
// run. _global is searched after all of them.
#pragma once

#include "script/function_object.h"
#include "script/stage_object.h"
#include "script/value.h"

#include <memory>
#include <span>
#include <vector>

namespace script {

struct Frame {
    std::span<const uint8_t> code;
    std::shared_ptr<const ConstantPool> constants;
    std::vector<Object*> scopes;
    Object* activation = nullptr;       // a function's locals; null in timeline code
    Value self;                         // `this`
    StageObject* target = nullptr;      // clip actions (Play, GotoFrame...) act on it; null after a bad SetTarget
    StageObject* baseTarget = nullptr;  // the clip the code belongs to
    bool timeline = true;               // timeline code: scopes[0] is the current target
    std::vector<Value> registers;
    size_t stackBase = 0;      // the operand stack below this belongs to callers
    Object* callee = nullptr;  // the running function (arguments.callee)
    Object* home = nullptr;    // the prototype the method came from (super)
    uint32_t withDepth = 0;
};

}  // namespace script
