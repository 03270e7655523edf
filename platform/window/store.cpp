#include "platform/window/store.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "platform/kernel/message_queue.h"

namespace windowing {

using win::DWORD;
using win::HWND;
using win::RECT;

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

bool Empty(const RECT& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

bool Intersect(RECT& out, const RECT& a, const RECT& b) {
    RECT result{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    out = Empty(result) ? RECT{0, 0, 0, 0} : result;
    return !Empty(result);
}

RECT Union(const RECT& a, const RECT& b) {
    if (Empty(a)) {
        return b;
    }
    if (Empty(b)) {
        return a;
    }
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

void Offset(RECT& rect, int dx, int dy) {
    rect.left += dx;
    rect.right += dx;
    rect.top += dy;
    rect.bottom += dy;
}

Store& TheStore() {
    static auto* store = new Store;
    return *store;
}

std::unique_lock<std::mutex> Lock() {
    return std::unique_lock(TheStore().mutex);
}

Window* Find(HWND window) {
    auto& windows = TheStore().windows;
    auto it = windows.find(window);
    return it == windows.end() ? nullptr : it->second.get();
}

std::vector<HWND>& SiblingsOf(const Window& window) {
    if (window.parent) {
        if (Window* parent = Find(window.parent)) {
            return parent->children;
        }
    }
    return TheStore().topLevels;
}

Window* TopLevelOf(Window* window) {
    while (window && window->parent) {
        window = Find(window->parent);
    }
    return window;
}

bool ReallyVisible(const Window& window) {
    const Window* at = &window;
    while (at) {
        if (!at->Visible() || at->minimized) {
            return false;
        }
        at = at->parent ? Find(at->parent) : nullptr;
    }
    return true;
}

RECT FrameInsets(DWORD style, DWORD exStyle) {
    int border = 0;
    if (style & win::WS_THICKFRAME) {
        border = 4;
    } else if (style & win::WS_DLGFRAME) {
        border = 3;
    } else if (style & win::WS_BORDER) {
        border = 1;
    }
    if (exStyle & win::WS_EX_CLIENTEDGE) {
        border += 2;
    }
    int caption = (style & win::WS_CAPTION) == win::WS_CAPTION ? 23 : 0;
    return RECT{border, border + caption, border, border};
}

RECT ClientArea(const Window& window) {
    RECT insets = FrameInsets(window.style, window.exStyle);
    int width = window.rect.right - window.rect.left;
    int height = window.rect.bottom - window.rect.top;
    RECT client{insets.left, insets.top, width - insets.right, height - insets.bottom};
    client.right = std::max(client.right, client.left);
    client.bottom = std::max(client.bottom, client.top);
    return client;
}

win::POINT WindowOriginOnScreen(const Window& window) {
    win::POINT origin{window.rect.left, window.rect.top};
    if (window.parent) {
        if (Window* parent = Find(window.parent)) {
            win::POINT base = ClientOriginOnScreen(*parent);
            origin.x += base.x;
            origin.y += base.y;
        }
    }
    return origin;
}

win::POINT ClientOriginOnScreen(const Window& window) {
    win::POINT origin = WindowOriginOnScreen(window);
    RECT client = ClientArea(window);
    return win::POINT{origin.x + client.left, origin.y + client.top};
}

void EnsureSurface(Window& window) {
    if (window.parent || window.layeredContent) {
        return;
    }
    int width = std::max<int>(window.rect.right - window.rect.left, 0);
    int height = std::max<int>(window.rect.bottom - window.rect.top, 0);
    if (window.surface && window.surface->width == width && window.surface->height == height) {
        return;
    }
    auto fresh = std::make_shared<Surface>(width, height);
    if (window.surface) {
        // What was drawn stays where it was until the window repaints.
        int rows = std::min(height, window.surface->height);
        int columns = std::min(width, window.surface->width);
        for (int y = 0; y < rows; ++y) {
            std::copy_n(window.surface->pixels.begin() + std::ptrdiff_t(y) * window.surface->width,
                        columns, fresh->pixels.begin() + std::ptrdiff_t(y) * width);
        }
    }
    window.surface = std::move(fresh);
}

std::vector<std::pair<DWORD, bool>> PaintStates() {
    std::map<DWORD, bool> pending;
    for (auto& [handle, window] : TheStore().windows) {
        bool waits = window->hasUpdate && !window->destroying && ReallyVisible(*window);
        pending[window->thread] = pending[window->thread] || waits;
    }
    return {pending.begin(), pending.end()};
}

void PublishPaintStates(const std::vector<std::pair<DWORD, bool>>& states) {
    for (auto [thread, pending] : states) {
        kernel::SetPaintPending(thread, pending);
    }
}

void Invalidate(Window& window, const RECT* rect, bool erase, bool children) {
    if (window.destroying || !ReallyVisible(window)) {
        return;
    }
    // A layered window shows the pixels it was given and is never painted.
    if (Window* root = TopLevelOf(&window); root && root->layeredContent) {
        return;
    }
    for (Window* at = &window; at; at = at->parent ? Find(at->parent) : nullptr) {
        if (at->redrawOff) {
            return;
        }
    }
    RECT client = ClientArea(window);
    RECT area{0, 0, client.right - client.left, client.bottom - client.top};
    if (rect) {
        RECT wanted = *rect;
        if (!Intersect(area, area, wanted)) {
            return;
        }
    }
    if (area.right <= area.left || area.bottom <= area.top) {
        return;
    }
    if (window.hasUpdate) {
        window.update = Union(window.update, area);
    } else {
        window.update = area;
        window.hasUpdate = true;
    }
    window.erase = window.erase || erase;
    // What the parent paints without clipping its children covers them, so
    // they paint again over it.
    if (!children && (window.style & win::WS_CLIPCHILDREN)) {
        return;
    }
    for (HWND handle : window.children) {
        Window* child = Find(handle);
        if (!child || !child->Visible()) {
            continue;
        }
        RECT childArea = child->rect;
        if (!Intersect(childArea, childArea, area)) {
            continue;
        }
        RECT childClient = ClientArea(*child);
        Offset(childArea, -(child->rect.left + childClient.left),
               -(child->rect.top + childClient.top));
        child->frameDirty = true;
        Invalidate(*child, &childArea, erase, children);
    }
}

}  // namespace windowing
