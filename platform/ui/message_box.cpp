// Message boxes on the calling thread's own modal loop.
#include "platform/ui/message_box.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/ui/control_window.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

namespace {

constexpr const char* kBoxClass = "VerdelMessageBox";
constexpr const char* kStateProperty = "VerdelMessageBoxState";
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kBand = 42;  // the button band at the bottom
constexpr int kIcon = 32;
constexpr int kMargin = 16;
constexpr int kMostTextWidth = 360;

std::mutex observerMutex;
MessageBoxObserver observer;

struct BoxState {
    MessageBoxInfo info;
    std::vector<std::pair<std::string, MessageResult>> buttons;
    std::optional<MessageResult> answer;
    int pressed = -1;
};

BoxState* StateOf(HWND box) {
    return static_cast<BoxState*>(GetPropA(box, kStateProperty));
}

std::vector<std::pair<std::string, MessageResult>> ButtonsOf(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::OkCancel:
            return {{"确定", MessageResult::Ok}, {"取消", MessageResult::Cancel}};
        case MessageButtons::YesNo:
            return {{"是(&Y)", MessageResult::Yes}, {"否(&N)", MessageResult::No}};
        case MessageButtons::Ok:
            break;
    }
    return {{"确定", MessageResult::Ok}};
}

// What closing the box without a button means.
MessageResult Dismissal(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::OkCancel:
            return MessageResult::Cancel;
        case MessageButtons::YesNo:
            return MessageResult::No;
        case MessageButtons::Ok:
            break;
    }
    return MessageResult::Ok;
}

RECT ButtonRect(HWND box, int index, int count) {
    RECT client{};
    GetClientRect(box, &client);
    int right = client.right - 11 - (count - 1 - index) * (kButtonWidth + 8);
    int top = client.bottom - kBand + (kBand - kButtonHeight) / 2;
    return RECT{right - kButtonWidth, top, right, top + kButtonHeight};
}

int ButtonAt(HWND box, POINT at) {
    BoxState* state = StateOf(box);
    for (int i = 0; state && i < int(state->buttons.size()); ++i) {
        RECT rect = ButtonRect(box, i, int(state->buttons.size()));
        if (PtInRect(&rect, at)) {
            return i;
        }
    }
    return -1;
}

void PaintIcon(Painter& painter, MessageIcon icon, int x, int y) {
    if (icon == MessageIcon::None) {
        return;
    }
    COLORREF fill = icon == MessageIcon::Warning ? RGB(255, 200, 0) : RGB(30, 100, 200);
    const char* mark = icon == MessageIcon::Warning    ? "!"
                       : icon == MessageIcon::Question ? "?"
                                                       : "i";
    // A round mark drawn as a stack of spans.
    for (int row = 0; row < kIcon; ++row) {
        int dy = 2 * row - kIcon + 1;
        int half = 0;
        while ((2 * half + 2) * (2 * half + 2) + dy * dy <= kIcon * kIcon) {
            ++half;
        }
        painter.Fill(RECT{x + kIcon / 2 - half, y + row, x + kIcon / 2 + half, y + row + 1}, fill);
    }
    painter.Text(RECT{x, y, x + kIcon, y + kIcon}, mark,
                 icon == MessageIcon::Warning ? look::kText : look::kSelectionText,
                 TextAlign::Center);
}

void PaintBox(HWND box) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(box, &paint);
    RECT client{};
    GetClientRect(box, &client);
    BoxState* state = StateOf(box);
    if (state) {
        Painter painter(dc, client.right, client.bottom);
        painter.Fill(RECT{0, 0, client.right, client.bottom - kBand}, look::kWindow);
        painter.Fill(RECT{0, client.bottom - kBand, client.right, client.bottom}, look::kFace);
        bool icon = state->info.icon != MessageIcon::None;
        PaintIcon(painter, state->info.icon, kMargin, kMargin + 4);
        int textLeft = kMargin + (icon ? kIcon + 12 : 0);
        RECT text{textLeft, kMargin + 2, client.right - kMargin, client.bottom - kBand - 8};
        painter.Text(text, state->info.text, look::kText, TextAlign::Left, true);
        int count = int(state->buttons.size());
        for (int i = 0; i < count; ++i) {
            RECT rect = ButtonRect(box, i, count);
            if (i == state->pressed) {
                painter.Fill(rect, look::kPressedFill);
            } else {
                painter.Gradient(rect, look::kButtonTop, look::kButtonBottom);
            }
            painter.Frame(rect, i == 0 ? look::kHotBorder : look::kButtonBorder);
            std::string label = state->buttons[std::size_t(i)].first;
            if (auto amp = label.find("(&"); amp != std::string::npos) {
                label.erase(amp + 1, 1);
            }
            painter.Text(rect, label, look::kText, TextAlign::Center);
        }
    }
    EndPaint(box, &paint);
}

LRESULT BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetPropA(box, kStateProperty, create->lpCreateParams);
    }
    BoxState* state = StateOf(box);
    if (!state) {
        return DefWindowProcA(box, message, wParam, lParam);
    }
    switch (message) {
        case WM_PAINT:
            PaintBox(box);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
            state->pressed = ButtonAt(box, PointOf(lParam));
            SetCapture(box);
            InvalidateRect(box, nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP: {
            int released = ButtonAt(box, PointOf(lParam));
            if (GetCapture() == box) {
                ReleaseCapture();
            }
            if (released >= 0 && released == state->pressed) {
                state->answer = state->buttons[std::size_t(released)].second;
            }
            state->pressed = -1;
            InvalidateRect(box, nullptr, FALSE);
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_SPACE) {
                state->answer = state->buttons.front().second;
            } else if (wParam == VK_ESCAPE) {
                state->answer = Dismissal(state->info.buttons);
            }
            return 0;
        case WM_CLOSE:
            state->answer = Dismissal(state->info.buttons);
            return 0;
        default:
            return DefWindowProcA(box, message, wParam, lParam);
    }
}

void EnsureBoxClass() {
    static bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &BoxProc;
        windowClass.lpszClassName = kBoxClass;
        return RegisterClassExA(&windowClass) != 0;
    }();
    (void)registered;
}

SIZE TextSize(const std::string& text) {
    HDC dc = GetDC(nullptr);
    RECT rect{0, 0, kMostTextWidth, 0};
    HGDIOBJ previous = SelectObject(dc, ControlFont());
    DrawTextA(dc, text.c_str(), int(text.size()), &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

HWND CreateBox(BoxState& state, HWND owner) {
    EnsureBoxClass();
    SIZE text = TextSize(state.info.text);
    bool icon = state.info.icon != MessageIcon::None;
    int count = int(state.buttons.size());
    int contentWidth = (icon ? kIcon + 12 : 0) + int(text.cx);
    int width = std::max(2 * kMargin + contentWidth, count * (kButtonWidth + 8) + 30);
    width = std::max(width, 180);
    int height = 2 * kMargin + std::max(icon ? kIcon + 4 : 0, int(text.cy) + 4) + kBand;
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    // A first guess of the frame; fitted to the client area below.
    int outerWidth = width + 6, outerHeight = height + 29;
    RECT place{};
    SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner && GetWindowRect(owner, &place)) {
        place.left += (place.right - place.left - outerWidth) / 2;
        place.top += (place.bottom - place.top - outerHeight) / 2;
    } else {
        place.left = (screen.cx - outerWidth) / 2;
        place.top = (screen.cy - outerHeight) / 2;
    }
    HWND box = CreateWindowExA(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, kBoxClass,
                               state.info.caption.c_str(), style, place.left, place.top, outerWidth,
                               outerHeight, owner, nullptr, nullptr, &state);
    if (box) {
        // The frame of the style decides the client area; fit the window to it.
        RECT client{};
        GetClientRect(box, &client);
        int dx = width - client.right, dy = height - client.bottom;
        MoveWindow(box, place.left, place.top, outerWidth + dx, outerHeight + dy, FALSE);
    }
    return box;
}

}  // namespace

MessageBoxObserver SetMessageBoxObserver(MessageBoxObserver replacement) {
    std::lock_guard guard(observerMutex);
    MessageBoxObserver previous = std::move(observer);
    observer = std::move(replacement);
    return previous;
}

bool MessageBoxButtonRect(HWND box, int button, RECT* rect) {
    if (!IsWindow(box)) {
        return false;
    }
    char name[64] = {};
    GetClassNameA(box, name, int(sizeof(name)));
    if (std::string(name) != kBoxClass) {
        return false;
    }
    BoxState* state = StateOf(box);
    if (!state || button < 0 || button >= int(state->buttons.size())) {
        return false;
    }
    *rect = ButtonRect(box, button, int(state->buttons.size()));
    MapWindowPoints(box, nullptr, reinterpret_cast<POINT*>(rect), 2);
    return true;
}

MessageResult ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons, HWND owner) {
    BoxState state;
    state.info = MessageBoxInfo{text, caption, icon, buttons, nullptr};
    state.buttons = ButtonsOf(buttons);
    if (!owner) {
        owner = GetForegroundWindow();
    }
    if (owner) {
        owner = GetAncestor(owner, GA_ROOT);
    }
    HWND box = CreateBox(state, owner);
    if (!box) {
        return Dismissal(buttons);
    }
    state.info.box = box;
    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) {
        EnableWindow(owner, FALSE);
    }
    ShowWindow(box, SW_SHOW);
    SetForegroundWindow(box);
    SetFocus(box);
    MessageBoxObserver watching;
    {
        std::lock_guard guard(observerMutex);
        watching = observer;
    }
    if (watching) {
        if (auto scripted = watching(state.info)) {
            state.answer = *scripted;
        }
    }
    MSG msg;
    while (!state.answer) {
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(int(msg.wParam));
            state.answer = Dismissal(buttons);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (ownerWasEnabled && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
    }
    RemovePropA(box, kStateProperty);
    DestroyWindow(box);
    if (owner && IsWindow(owner)) {
        SetForegroundWindow(owner);
    }
    return *state.answer;
}

}  // namespace ui

namespace win {

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    using namespace ui;
    UINT iconBits = type & 0xF0;
    MessageIcon icon = iconBits == MB_ICONINFORMATION ? MessageIcon::Information
                       : iconBits == MB_ICONQUESTION  ? MessageIcon::Question
                       : iconBits == MB_ICONWARNING   ? MessageIcon::Warning
                                                      : MessageIcon::None;
    UINT buttonBits = type & 0x0F;
    MessageButtons buttons = buttonBits == MB_OKCANCEL ? MessageButtons::OkCancel
                             : buttonBits == MB_YESNO  ? MessageButtons::YesNo
                                                       : MessageButtons::Ok;
    switch (ShowMessageBox(text ? text : "", caption ? caption : "", icon, buttons, owner)) {
        case MessageResult::Cancel:
            return IDCANCEL;
        case MessageResult::Yes:
            return IDYES;
        case MessageResult::No:
            return IDNO;
        case MessageResult::Ok:
            break;
    }
    return IDOK;
}

}  // namespace win
