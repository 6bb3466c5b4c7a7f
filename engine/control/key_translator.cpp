#include "control/key_translator.h"

namespace control {

namespace {

constexpr uint32_t kBackspace = 0x08, kTab = 0x09, kReturn = 0x0D, kShift = 0x10, kEscape = 0x1B, Space = 0x20,
                   kDelete = 0x2E, Numpad0 = 0x60, Numpad9 = 0x69, kMultiply = 0x6A, kAdd = 0x6B, kSubtract = 0x6D,
                   Decimal = 0x6E, kDivide = 0x6F, LeftShift = 0xA0, RightShift = 0xA1;

bool isShift(uint32_t key) { return key == kShift || key == LeftShift || key == RightShift; }

}  // namespace

uint32_t KeyTranslator::asciiOf(uint32_t key, bool shift) noexcept {
    if (key >= 'A' && key <= 'Z')
        return shift ? key : key - 'A' + 'a';
    if (key >= '0' && key <= '9')
        return key;
    if (key >= Numpad0 && key <= Numpad9)
        return key - Numpad0 + '0';
    switch (key) {
    case kBackspace:
    case kTab:
    case kReturn:
    case kEscape:
    case Space:
        return key;
    case kDelete:
        return 0x7F;
    case kMultiply:
        return '*';
    case kAdd:
        return '+';
    case kSubtract:
        return '-';
    case Decimal:
        return '.';
    case kDivide:
        return '/';
    default:
        return 0;
    }
}

uint32_t KeyTranslator::keyOf(uint32_t ascii) noexcept {
    if (ascii >= 'a' && ascii <= 'z')
        return ascii - 'a' + 'A';
    if ((ascii >= 'A' && ascii <= 'Z') || (ascii >= '0' && ascii <= '9'))
        return ascii;
    switch (ascii) {
    case kBackspace:
    case kTab:
    case kReturn:
    case kEscape:
    case Space:
        return ascii;
    case 0x7F:
        return kDelete;
    case '*':
        return kMultiply;
    case '+':
        return kAdd;
    case '-':
        return kSubtract;
    case '.':
        return Decimal;
    case '/':
        return kDivide;
    default:
        return 0;
    }
}

KeyTranslator::Key KeyTranslator::keyDown(WPARAM virtualKey) noexcept {
    const auto key = uint32_t(virtualKey & 0xFF);
    if (isShift(key))
        m_shift = true;
    const Key out{key, asciiOf(key, m_shift)};
    m_awaitingCharacter = out.ascii != 0;
    return out;
}

KeyTranslator::Key KeyTranslator::keyUp(WPARAM virtualKey) noexcept {
    const auto key = uint32_t(virtualKey & 0xFF);
    const Key out{key, asciiOf(key, m_shift)};
    if (isShift(key))
        m_shift = false;
    m_awaitingCharacter = false;
    return out;
}

std::optional<KeyTranslator::Key> KeyTranslator::character(WPARAM charCode) noexcept {
    if (m_awaitingCharacter) {
        m_awaitingCharacter = false;
        return std::nullopt;
    }
    const auto ascii = uint32_t(charCode & 0xFFFF);
    return Key{keyOf(ascii), ascii};
}

}  // namespace control
