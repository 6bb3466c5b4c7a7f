// Window messages a windowless container forwards. Mouse and keyboard
// messages reach the movie's script engine; what they change is invalidated
// as after any other step. The control takes every mouse and keyboard
// message (and focus changes) as its own and answers them as handled;
// anything else is left to the container's default handling (S_FALSE).
//
// The left button drives buttons, clip press/release handlers and the Mouse
// listeners, as a player's left button does. The right and middle buttons
// move the pointer to where they were pressed (rollovers follow); the right
// one's press then opens the player's own menu, which here means only the
// menu's select event or onSelect (no menu is shown). Scripts of this era
// hear no other button. The wheel reaches Mouse.onMouseWheel in lines.
// Each character reaches the engine once (a key-down and its WM_CHAR are
// one keystroke, see key_translator.h), which is what lets the engine type
// it into the focused input text field. Taking and losing the focus are
// ActionScript 3's activate and deactivate.
#include "control/flash_control.h"

#include "control/pointer_mapping.h"

namespace control {

namespace {

constexpr UINT kSetFocus = 0x0007;
constexpr UINT KillFocus = 0x0008;
constexpr UINT SetCursor = 0x0020;
constexpr UINT kKeyDown = 0x0100;
constexpr UINT kKeyUp = 0x0101;
constexpr UINT Char = 0x0102;
constexpr UINT FirstKeyMessage = 0x0100;  // WM_KEYDOWN
constexpr UINT LastKeyMessage = 0x0109;   // WM_UNICHAR
constexpr UINT kMouseMove = 0x0200;
constexpr UINT LeftDown = 0x0201;
constexpr UINT LeftUp = 0x0202;
constexpr UINT LeftDoubleClick = 0x0203;
constexpr UINT RightDown = 0x0204;
constexpr UINT MouseWheel = 0x020A;
constexpr UINT MouseHorizontalWheel = 0x020E;
constexpr UINT FirstMouseMessage = 0x0200;  // WM_MOUSEMOVE
constexpr UINT LastMouseMessage = 0x020E;   // WM_MOUSEHWHEEL

}  // namespace

bool FlashControl::handleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (msg >= FirstMouseMessage && msg <= LastMouseMessage) {
        handlePointer(msg, wParam, lParam);
        return true;
    }
    if (msg >= FirstKeyMessage && msg <= LastKeyMessage) {
        handleKey(msg, wParam);
        return true;
    }
    if (msg == kSetFocus || msg == KillFocus)
        setFocused(msg == kSetFocus);
    return msg == kSetFocus || msg == KillFocus || msg == SetCursor;
}

void FlashControl::setFocused(bool focused) {
    // A site that said so and then sends WM_SETFOCUS too: one activate.
    if (focused == m_focused)
        return;
    m_focused = focused;
    // A movie whose first frame has not run hears it when it starts.
    if (!m_player || !m_player->started())
        return;
    EngineScope scope(*this);
    m_player->activate(focused);
    publishChanges();
}

RECT FlashControl::shownBounds() const {
    const bool placed = m_position.right > m_position.left && m_position.bottom > m_position.top;
    return placed ? m_position : m_lastDrawBounds;
}

void FlashControl::handlePointer(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!m_engine || !m_stage)
        return;
    EngineScope scope(*this);
    // Listeners the first frame's scripts add hear the input.
    if (m_firstFrameDue)
        runPendingActions();
    script::Engine& engine = *m_engine;
    if (msg == MouseWheel) {
        if (const int32_t lines = wheelLines(wheelDeltaOf(wParam), m_wheelRest); lines != 0) {
            engine.mouseWheel(lines);
            if (m_player)
                m_player->mouseWheel(lines);
        }
        publishChanges();
        return;
    }
    // Scripts of this era know no sideways scrolling; its position word is
    // in screen coordinates, not ours.
    if (msg == MouseHorizontalWheel)
        return;
    const auto point = stagePointOf(pixelPointOf(lParam), m_stage->stageRect(), shownBounds(), m_stage->layout());
    if (!point)
        return;
    switch (msg) {
    case LeftDown:
    case LeftDoubleClick:
        engine.mouseDown(*point, msg == LeftDoubleClick);
        if (m_player)
            m_player->mouseDown(*point, msg == LeftDoubleClick);
        break;
    case LeftUp:
        engine.mouseUp(*point);
        if (m_player)
            m_player->mouseUp(*point);
        break;
    case RightDown:
        engine.mouseMove(*point);
        engine.contextMenu(*point);
        if (m_player) {
            m_player->mouseMove(*point);
            m_player->contextMenu(*point);
        }
        break;
    default:
        // Moves, and the other buttons (see above).
        engine.mouseMove(*point);
        if (m_player)
            m_player->mouseMove(*point);
        break;
    }
    publishChanges();
}

void FlashControl::handleKey(UINT msg, WPARAM wParam) {
    if (!m_engine)
        return;
    EngineScope scope(*this);
    if (m_firstFrameDue)
        runPendingActions();
    script::Engine& engine = *m_engine;
    switch (msg) {
    case kKeyDown: {
        const KeyTranslator::Key key = m_keys.keyDown(wParam);
        engine.keyDown(key.code, key.ascii);
        if (m_player)
            m_player->keyDown(key.code, key.ascii);
        break;
    }
    case kKeyUp: {
        const KeyTranslator::Key key = m_keys.keyUp(wParam);
        engine.keyUp(key.code, key.ascii);
        if (m_player)
            m_player->keyUp(key.code, key.ascii);
        break;
    }
    case Char:
        if (const auto key = m_keys.character(wParam)) {
            engine.keyDown(key->code, key->ascii);
            engine.keyUp(key->code, key->ascii);
        }
        break;
    default:
        // System keys, dead keys and IME characters mean nothing to a movie.
        return;
    }
    publishChanges();
}

}  // namespace control
