#pragma once
// Inside the display layer: composing window surfaces into images.
#include "platform/display/display.h"
#include "platform/window/surface.h"

namespace display::detail {

// The screen: a desktop colour under every visible top-level window,
// bottom first; layered windows blend per pixel with their constant alpha.
Image ComposeScreen(win::SIZE size);
// The part area (screen coordinates) of the screen as composed from the
// bottom up to and including the window top: what a layered window shows
// over what lies under it.
Image ComposeArea(win::SIZE size, const win::RECT& area, win::HWND top);
// A premultiplied surface part as straight pixels; opaque unless keepAlpha.
Image FromSurface(const windowing::Surface& surface, const win::RECT& part, bool keepAlpha);

}  // namespace display::detail
