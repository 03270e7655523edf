// Invalidation and painting: update areas merged per window, painted when
// the owning thread's loop finds no other message.
#include <algorithm>

#include "platform/window/store.h"
#include "platform/window/window.h"

namespace windowing {
namespace {

using namespace win;

void PaintNowIfPending(HWND handle) {
    std::vector<HWND> children;
    bool pending = false;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window || !ReallyVisible(*window)) {
            return;
        }
        pending = window->hasUpdate;
        children = window->children;
    }
    if (pending) {
        SendMessageA(handle, WM_PAINT, 0, 0);
    }
    for (HWND child : children) {
        PaintNowIfPending(child);
    }
}

}  // namespace

namespace {

// area minus hole, as up to four rectangles per piece.
void Subtract(std::vector<RECT>& area, const RECT& hole) {
    std::vector<RECT> left;
    for (const RECT& piece : area) {
        RECT overlap{};
        if (!Intersect(overlap, piece, hole)) {
            left.push_back(piece);
            continue;
        }
        RECT parts[] = {{piece.left, piece.top, piece.right, overlap.top},
                        {piece.left, overlap.bottom, piece.right, piece.bottom},
                        {piece.left, overlap.top, overlap.left, overlap.bottom},
                        {overlap.right, overlap.top, piece.right, overlap.bottom}};
        for (const RECT& part : parts) {
            if (!Empty(part)) {
                left.push_back(part);
            }
        }
    }
    area = std::move(left);
}

// A window's rectangle in its top-level surface (lock held).
RECT SurfaceRect(const Window& window, POINT rootOrigin) {
    POINT origin = WindowOriginOnScreen(window);
    RECT rect{origin.x - rootOrigin.x, origin.y - rootOrigin.y, 0, 0};
    rect.right = rect.left + (window.rect.right - window.rect.left);
    rect.bottom = rect.top + (window.rect.bottom - window.rect.top);
    return rect;
}

}  // namespace

std::vector<RECT> DrawableParts(const Window& window, const DrawTarget& target, bool wholeWindow) {
    std::vector<RECT> parts;
    if (Empty(target.clip)) {
        return parts;
    }
    parts.push_back(target.clip);
    Window* root = TopLevelOf(const_cast<Window*>(&window));
    POINT rootOrigin = root ? WindowOriginOnScreen(*root) : POINT{0, 0};
    if (!wholeWindow && (window.style & WS_CLIPCHILDREN)) {
        for (HWND handle : window.children) {
            Window* child = Find(handle);
            if (child && child->Visible()) {
                Subtract(parts, SurfaceRect(*child, rootOrigin));
            }
        }
    }
    if (window.parent && (window.style & WS_CLIPSIBLINGS)) {
        for (HWND handle : SiblingsOf(window)) {
            if (handle == window.handle) {
                break;  // the rest lie below
            }
            Window* sibling = Find(handle);
            if (sibling && sibling->Visible()) {
                Subtract(parts, SurfaceRect(*sibling, rootOrigin));
            }
        }
    }
    return parts;
}

std::optional<DrawTarget> TargetOf(HWND handle, bool wholeWindow) {
    auto lock = Lock();
    Window* window = Find(handle);
    Window* root = TopLevelOf(window);
    if (!window || !root) {
        return std::nullopt;
    }
    EnsureSurface(*root);
    DrawTarget target;
    target.surface = root->surface;
    POINT rootOrigin = WindowOriginOnScreen(*root);
    auto toSurface = [&](POINT screen) {
        return POINT{screen.x - rootOrigin.x, screen.y - rootOrigin.y};
    };
    POINT windowOrigin = toSurface(WindowOriginOnScreen(*window));
    POINT clientOrigin = toSurface(ClientOriginOnScreen(*window));
    target.origin = wholeWindow ? windowOrigin : clientOrigin;
    RECT clip{};
    if (wholeWindow) {
        clip = RECT{windowOrigin.x, windowOrigin.y,
                    windowOrigin.x + (window->rect.right - window->rect.left),
                    windowOrigin.y + (window->rect.bottom - window->rect.top)};
    } else {
        RECT client = ClientArea(*window);
        clip = RECT{clientOrigin.x, clientOrigin.y, clientOrigin.x + (client.right - client.left),
                    clientOrigin.y + (client.bottom - client.top)};
    }
    for (Window* at = window->parent ? Find(window->parent) : nullptr; at;
         at = at->parent ? Find(at->parent) : nullptr) {
        POINT origin = toSurface(ClientOriginOnScreen(*at));
        RECT client = ClientArea(*at);
        RECT area{origin.x, origin.y, origin.x + (client.right - client.left),
                  origin.y + (client.bottom - client.top)};
        Intersect(clip, clip, area);
    }
    RECT bounds{0, 0, target.surface ? target.surface->width : 0,
                target.surface ? target.surface->height : 0};
    Intersect(clip, clip, bounds);
    target.clip = clip;
    return target;
}

}  // namespace windowing

namespace win {

using namespace windowing;

BOOL InvalidateRect(HWND handle, const RECT* rect, BOOL erase) {
    std::vector<std::pair<DWORD, bool>> states;
    {
        auto lock = Lock();
        if (!handle) {
            for (HWND top : TheStore().topLevels) {
                if (Window* window = Find(top)) {
                    window->frameDirty = true;
                    Invalidate(*window, nullptr, erase != FALSE, true);
                }
            }
        } else {
            Window* window = Find(handle);
            if (!window) {
                return FALSE;
            }
            Invalidate(*window, rect, erase != FALSE, false);
        }
        states = PaintStates();
    }
    PublishPaintStates(states);
    return TRUE;
}

BOOL ValidateRect(HWND handle, const RECT* rect) {
    std::vector<std::pair<DWORD, bool>> states;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return FALSE;
        }
        if (window->hasUpdate) {
            RECT covered = rect ? Union(*rect, window->update) : RECT{};
            bool whole = !rect || (covered.left == rect->left && covered.top == rect->top &&
                                   covered.right == rect->right && covered.bottom == rect->bottom);
            if (whole) {
                window->hasUpdate = false;
                window->erase = false;
            }
        }
        states = PaintStates();
    }
    PublishPaintStates(states);
    return TRUE;
}

BOOL GetUpdateRect(HWND handle, RECT* rect, BOOL) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return FALSE;
    }
    if (rect) {
        *rect = window->hasUpdate ? window->update : RECT{0, 0, 0, 0};
    }
    return window->hasUpdate ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND handle) {
    if (!IsWindow(handle)) {
        return FALSE;
    }
    PaintNowIfPending(handle);
    return TRUE;
}

HDC BeginPaint(HWND handle, PAINTSTRUCT* paint) {
    if (!paint) {
        return nullptr;
    }
    *paint = PAINTSTRUCT{};
    bool erase = false, frame = false;
    std::vector<std::pair<DWORD, bool>> states;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return nullptr;
        }
        paint->rcPaint = window->hasUpdate ? window->update : RECT{0, 0, 0, 0};
        erase = window->hasUpdate && window->erase;
        frame = window->frameDirty;
        window->hasUpdate = false;
        window->erase = false;
        window->frameDirty = false;
        window->inPaint = true;
        states = PaintStates();
    }
    PublishPaintStates(states);
    if (frame) {
        SendMessageA(handle, WM_NCPAINT, 1, 0);
    }
    paint->hdc = MakeWindowDC(handle, false, &paint->rcPaint);
    if (erase) {
        paint->fErase = SendMessageA(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0)
                            ? FALSE
                            : TRUE;
    }
    return paint->hdc;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT* paint) {
    {
        auto lock = Lock();
        if (Window* window = Find(handle)) {
            window->inPaint = false;
        }
    }
    if (paint && paint->hdc) {
        ReleaseDC(handle, paint->hdc);
    }
    return TRUE;
}

}  // namespace win
