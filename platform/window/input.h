#pragma once
// Raw input as a display backend delivers it, turned into window messages:
// mouse events at screen points go to the capturing window, else to the
// topmost enabled visible window under the point (asked with WM_NCHITTEST);
// keys and text go to the focus window. Each event is routed when it is
// delivered and queued as input for the thread that owns its target.
#include <string>

#include "platform/window/window_types.h"

namespace windowing {

enum class MouseButton { Left, Right };

void InjectMouseMove(win::POINT screen);
void InjectMouseButton(MouseButton button, bool down, win::POINT screen);
// delta in wheel units: WHEEL_DELTA (120) per notch, positive away from the user.
void InjectMouseWheel(int delta, win::POINT screen);
void InjectKey(win::UINT virtualKey, bool down);
// GBK text, one WM_CHAR per byte (a two-byte character gives two).
void InjectText(const std::string& text);

// Where WM_CHAR comes from. By default TranslateMessage makes it from the
// keys of letters, digits and space, as a keyboard without an input method
// does. A backend that delivers typed text itself (InjectText, input methods
// included) turns that off; control keys (return, backspace, tab, escape)
// still make their WM_CHAR.
void SetTextFromBackend(bool fromBackend);
bool TextFromBackend();

// The cursor display count (ShowCursor): the cursor shows at 0 or above.
int CursorCount();

// Clears focus, capture, activation, button and key state, the cursor count
// and leave tracking (between test cases; windows themselves are not touched).
void ResetInputState();

}  // namespace windowing
