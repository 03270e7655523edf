// Parents, children, owners and the lookups that walk them.
#include <algorithm>
#include <cstring>

#include "platform/window/store.h"
#include "platform/window/window.h"

namespace win {

using namespace windowing;

HWND GetParent(HWND handle) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return nullptr;
    }
    return window->IsChild() ? window->parent : window->owner;
}

HWND GetAncestor(HWND handle, UINT flags) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return nullptr;
    }
    if (flags == GA_PARENT) {
        return window->parent;
    }
    Window* top = TopLevelOf(window);
    return top ? top->handle : nullptr;
}

BOOL IsChild(HWND parent, HWND handle) {
    auto lock = Lock();
    Window* window = Find(handle);
    while (window && window->IsChild() && window->parent) {
        if (window->parent == parent) {
            return TRUE;
        }
        window = Find(window->parent);
    }
    return FALSE;
}

HWND SetParent(HWND child, HWND newParent) {
    HWND old = nullptr;
    std::vector<std::pair<DWORD, bool>> states;
    {
        auto lock = Lock();
        Window* window = Find(child);
        Window* parent = newParent ? Find(newParent) : nullptr;
        if (!window || (newParent && !parent) || child == newParent) {
            return nullptr;
        }
        for (Window* at = parent; at; at = at->parent ? Find(at->parent) : nullptr) {
            if (at->handle == child) {
                return nullptr;  // would make a cycle
            }
        }
        old = window->parent;
        if (window->Visible()) {
            if (Window* oldParent = Find(old)) {
                RECT area = window->rect;
                Invalidate(*oldParent, &area, true, false);
            }
        }
        std::erase(SiblingsOf(*window), child);
        if (parent) {
            // The position stays the same numbers, now in the new parent's client area.
            window->parent = newParent;
            window->style |= WS_CHILD;
            window->style &= ~WS_POPUP;
            window->surface.reset();
            parent->children.insert(parent->children.begin(), child);
        } else {
            window->parent = nullptr;
            window->style &= ~WS_CHILD;
            TheStore().topLevels.insert(TheStore().topLevels.begin(), child);
            EnsureSurface(*window);
        }
        window->frameDirty = true;
        Invalidate(*window, nullptr, true, true);
        states = PaintStates();
    }
    PublishPaintStates(states);
    return old;
}

HWND GetWindow(HWND handle, UINT relation) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return nullptr;
    }
    if (relation == GW_CHILD) {
        return window->children.empty() ? nullptr : window->children.front();
    }
    if (relation == GW_OWNER) {
        return window->IsChild() ? nullptr : window->owner;
    }
    const auto& siblings = SiblingsOf(*window);
    auto at = std::find(siblings.begin(), siblings.end(), handle);
    switch (relation) {
        case GW_HWNDFIRST:
            return siblings.empty() ? nullptr : siblings.front();
        case GW_HWNDLAST:
            return siblings.empty() ? nullptr : siblings.back();
        case GW_HWNDNEXT:
            return at == siblings.end() || at + 1 == siblings.end() ? nullptr : *(at + 1);
        case GW_HWNDPREV:
            return at == siblings.end() || at == siblings.begin() ? nullptr : *(at - 1);
        default:
            return nullptr;
    }
}

HWND FindWindowExA(HWND parent, HWND childAfter, const char* className, const char* windowName) {
    auto lock = Lock();
    const std::vector<HWND>* list = &TheStore().topLevels;
    if (parent) {
        Window* window = Find(parent);
        if (!window) {
            return nullptr;
        }
        list = &window->children;
    }
    auto at = list->begin();
    if (childAfter) {
        at = std::find(list->begin(), list->end(), childAfter);
        if (at == list->end()) {
            return nullptr;
        }
        ++at;
    }
    CaseInsensitiveLess less;
    for (; at != list->end(); ++at) {
        Window* window = Find(*at);
        if (!window) {
            continue;
        }
        const std::string& name = window->windowClass->name;
        bool classMatches = !className || (!less(name, className) && !less(className, name));
        bool titleMatches = !windowName || window->text == windowName;
        if (classMatches && titleMatches) {
            return *at;
        }
    }
    return nullptr;
}

HWND FindWindowA(const char* className, const char* windowName) {
    return FindWindowExA(nullptr, nullptr, className, windowName);
}

}  // namespace win
