#include "actions.h"

#include <cstring>
#include <stdexcept>

namespace swfwriter {

namespace {
using script::PushType;

void appendType(std::vector<uint8_t>& out, PushType type) { out.push_back(uint8_t(type)); }
void appendString(std::vector<uint8_t>& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
}
void appendU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void appendU32(std::vector<uint8_t>& out, uint32_t v) {
    appendU16(out, uint16_t(v));
    appendU16(out, uint16_t(v >> 16));
}
}  // namespace

Actions& Actions::op(Code code, const std::vector<uint8_t>& payload) {
    if (!script::hasPayload(code) && !payload.empty())
        throw std::invalid_argument("a one-byte action has no payload");
    m_code.push_back(uint8_t(code));
    if (script::hasPayload(code)) {
        appendU16(m_code, uint16_t(payload.size()));
        m_code.insert(m_code.end(), payload.begin(), payload.end());
    }
    return *this;
}

Actions& Actions::push(std::initializer_list<PushValue> values) { return push(std::vector<PushValue>(values)); }

Actions& Actions::push(const std::vector<PushValue>& values) {
    std::vector<uint8_t> p;
    for (const PushValue& v : values) {
        std::visit(
            [&](const auto& x) {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    appendType(p, PushType::String);
                    appendString(p, x);
                } else if constexpr (std::is_same_v<T, double>) {
                    // The two 32-bit halves high first, each little-endian.
                    uint64_t bits;
                    std::memcpy(&bits, &x, sizeof bits);
                    appendType(p, PushType::Double);
                    appendU32(p, uint32_t(bits >> 32));
                    appendU32(p, uint32_t(bits));
                } else if constexpr (std::is_same_v<T, int32_t>) {
                    appendType(p, PushType::Integer);
                    appendU32(p, uint32_t(x));
                } else if constexpr (std::is_same_v<T, bool>) {
                    appendType(p, PushType::Boolean);
                    p.push_back(x ? 1 : 0);
                } else if constexpr (std::is_same_v<T, Null>) {
                    appendType(p, PushType::Null);
                } else if constexpr (std::is_same_v<T, Undefined>) {
                    appendType(p, PushType::Undefined);
                } else if constexpr (std::is_same_v<T, Register>) {
                    appendType(p, PushType::Register);
                    p.push_back(x.index);
                } else if constexpr (std::is_same_v<T, Constant>) {
                    if (x.index < 256) {
                        appendType(p, PushType::Constant8);
                        p.push_back(uint8_t(x.index));
                    } else {
                        appendType(p, PushType::Constant16);
                        appendU16(p, x.index);
                    }
                }
            },
            v.value);
    }
    return op(Code::Push, p);
}

Actions& Actions::constantPool(const std::vector<std::string>& strings) {
    std::vector<uint8_t> p;
    appendU16(p, uint16_t(strings.size()));
    for (const std::string& s : strings)
        appendString(p, s);
    return op(Code::ConstantPool, p);
}

Actions& Actions::getUrl(const std::string& url, const std::string& target) {
    std::vector<uint8_t> p;
    appendString(p, url);
    appendString(p, target);
    return op(Code::GetUrl, p);
}

Actions& Actions::setTarget(const std::string& target) {
    std::vector<uint8_t> p;
    appendString(p, target);
    return op(Code::SetTarget, p);
}

Actions& Actions::gotoLabel(const std::string& label) {
    std::vector<uint8_t> p;
    appendString(p, label);
    return op(Code::GoToLabel, p);
}

Actions& Actions::defineFunction(const std::string& name, const std::vector<std::string>& params, const Actions& body) {
    std::vector<uint8_t> code = body.bytes(false);
    std::vector<uint8_t> p;
    appendString(p, name);
    appendU16(p, uint16_t(params.size()));
    for (const std::string& s : params)
        appendString(p, s);
    appendU16(p, uint16_t(code.size()));
    op(Code::DefineFunction, p);
    m_code.insert(m_code.end(), code.begin(), code.end());  // the body follows the record
    return *this;
}

Actions& Actions::with(const Actions& body) {
    std::vector<uint8_t> code = body.bytes(false);
    op(Code::With, {uint8_t(code.size()), uint8_t(code.size() >> 8)});
    m_code.insert(m_code.end(), code.begin(), code.end());
    return *this;
}

Actions& Actions::defineFunction2(const Function2Spec& spec, const Actions& body) {
    std::vector<uint8_t> code = body.bytes(false);
    std::vector<uint8_t> p;
    appendString(p, spec.name);
    appendU16(p, uint16_t(spec.params.size()));
    p.push_back(spec.registerCount);
    p.push_back(uint8_t(spec.flags >> 8));
    p.push_back(uint8_t(spec.flags));
    for (const auto& [reg, name] : spec.params) {
        p.push_back(reg);
        appendString(p, name);
    }
    appendU16(p, uint16_t(code.size()));
    op(Code::DefineFunction2, p);
    m_code.insert(m_code.end(), code.begin(), code.end());
    return *this;
}

Actions& Actions::tryBlock(const Actions& tryBody, const std::optional<Actions>& catchBody,
                           const std::optional<Actions>& finallyBody, const std::string& catchName,
                           std::optional<uint8_t> catchRegister) {
    std::vector<uint8_t> t = tryBody.bytes(false);
    std::vector<uint8_t> c = catchBody ? catchBody->bytes(false) : std::vector<uint8_t>{};
    std::vector<uint8_t> f = finallyBody ? finallyBody->bytes(false) : std::vector<uint8_t>{};
    std::vector<uint8_t> p;
    p.push_back(uint8_t((catchBody ? script::TryFlag::HasCatch : 0) | (finallyBody ? script::TryFlag::HasFinally : 0) |
                        (catchRegister ? script::TryFlag::CatchInRegister : 0)));
    appendU16(p, uint16_t(t.size()));
    appendU16(p, uint16_t(c.size()));
    appendU16(p, uint16_t(f.size()));
    if (catchRegister)
        p.push_back(*catchRegister);
    else
        appendString(p, catchName);
    op(Code::Try, p);
    m_code.insert(m_code.end(), t.begin(), t.end());
    m_code.insert(m_code.end(), c.begin(), c.end());
    m_code.insert(m_code.end(), f.begin(), f.end());
    return *this;
}

Actions& Actions::callMethodOn(const std::string& object, const std::string& method,
                               const std::vector<PushValue>& args) {
    std::vector<PushValue> reversed(args.rbegin(), args.rend());
    reversed.emplace_back(int(args.size()));
    if (!reversed.empty())
        push(reversed);
    push({PushValue(object)}).getVariable();
    push({PushValue(method)});
    return callMethod();
}

Actions& Actions::callFunctionNamed(const std::string& function, const std::vector<PushValue>& args) {
    std::vector<PushValue> reversed(args.rbegin(), args.rend());
    reversed.emplace_back(int(args.size()));
    reversed.emplace_back(function);
    push(reversed);
    return callFunction();
}

Actions& Actions::append(const Actions& other) {
    std::vector<uint8_t> code = other.bytes(false);
    m_code.insert(m_code.end(), code.begin(), code.end());
    return *this;
}

Actions& Actions::label(const std::string& name) {
    m_labels[name] = m_code.size();
    return *this;
}

Actions& Actions::branch(Code code, const std::string& label) {
    op(code, {0, 0});
    m_fixups.push_back({m_code.size() - 2, m_code.size(), label});
    return *this;
}

std::vector<uint8_t> Actions::bytes(bool end) const {
    std::vector<uint8_t> out = m_code;
    for (const Fixup& f : m_fixups) {
        auto it = m_labels.find(f.label);
        if (it == m_labels.end())
            throw std::invalid_argument("action label not defined: " + f.label);
        auto offset = int16_t(int64_t(it->second) - int64_t(f.nextAction));
        out[f.offsetField] = uint8_t(uint16_t(offset));
        out[f.offsetField + 1] = uint8_t(uint16_t(offset) >> 8);
    }
    if (end)
        out.push_back(0);
    return out;
}

}  // namespace swfwriter
