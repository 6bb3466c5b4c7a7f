// Keyboard messages as the script engine hears them: a key code (the
// virtual-key number, which scripts read from Key.getCode) and the character
// the key makes (Key.getAscii, keyPress button conditions).
//
// A key-down message carries only the virtual key, so the character comes
// from the key itself: letters (upper case while Shift is held, as the key
// messages themselves report Shift), digits, the number pad, space, Enter,
// Backspace, Tab, Escape and Delete; other keys make none (0). The
// WM_CHAR that follows a key-down belongs to that key and adds nothing. A
// character that arrives on its own (a container that only types) counts as
// one press and release of the key that makes it.
#pragma once

#include "platform/types.h"

#include <cstdint>
#include <optional>

namespace control {

class KeyTranslator {
public:
    struct Key {
        uint32_t code = 0;
        uint32_t ascii = 0;
    };

    [[nodiscard]] Key keyDown(WPARAM virtualKey) noexcept;
    [[nodiscard]] Key keyUp(WPARAM virtualKey) noexcept;
    // None when the character is the one of the key just pressed.
    [[nodiscard]] std::optional<Key> character(WPARAM charCode) noexcept;

    // The character a key makes, 0 for none.
    [[nodiscard]] static uint32_t asciiOf(uint32_t virtualKey, bool shift) noexcept;
    // The key that makes a character, 0 when no key of ours does.
    [[nodiscard]] static uint32_t keyOf(uint32_t ascii) noexcept;

private:
    bool m_shift = false;
    bool m_awaitingCharacter = false;  // a key-down whose WM_CHAR may follow
};

}  // namespace control
