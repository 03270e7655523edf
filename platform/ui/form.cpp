// Forms: the controls of a table, the window that shows them, loading
// (modal or not), and the window's events.
#include "platform/ui/form.h"

#include <cstdio>
#include <cstdlib>

#include "platform/ui/control_window.h"
#include "platform/ui/look.h"
#include "platform/ui/menu_bar.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

namespace {

std::unique_ptr<Control> MakeControl(Form& form, const ControlSpec& spec) {
    switch (spec.kind) {
        case Kind::Label:
            return std::make_unique<Label>(form, spec);
        case Kind::TransparentLabel:
            return std::make_unique<TransparentLabel>(form, spec);
        case Kind::EditBox:
            return std::make_unique<EditBox>(form, spec);
        case Kind::ComboBox:
            return std::make_unique<ComboBox>(form, spec);
        case Kind::ListView:
            return std::make_unique<ListView>(form, spec);
        case Kind::TabControl:
            return std::make_unique<TabControl>(form, spec);
        case Kind::PictureBox:
            return std::make_unique<PictureBox>(form, spec);
        case Kind::Canvas:
            return std::make_unique<Canvas>(form, spec);
        case Kind::Frame:
            return std::make_unique<Frame>(form, spec);
        case Kind::PictureButton:
            return std::make_unique<PictureButton>(form, spec);
        case Kind::Button:
            return std::make_unique<Button>(form, spec);
        case Kind::CheckBox:
            return std::make_unique<CheckBox>(form, spec);
        case Kind::HyperlinkLabel:
            return std::make_unique<HyperlinkLabel>(form, spec);
        case Kind::VScrollBar:
            return std::make_unique<VScrollBar>(form, spec);
        case Kind::Timer:
            return std::make_unique<Timer>(form, spec);
        case Kind::HtmlView:
            return std::make_unique<HtmlView>(form, spec);
        case Kind::MenuItem:
            return std::make_unique<MenuItem>(form, spec);
        case Kind::Window:
            break;
    }
    return nullptr;
}

ControlSpec WindowSpec(const FormSpec& spec) {
    ControlSpec window;
    window.kind = Kind::Window;
    window.left = spec.left;
    window.top = spec.top;
    window.width = spec.width;
    window.height = spec.height;
    window.text = spec.caption;
    return window;
}

}  // namespace

DWORD FormThreadOf(const Form& form) {
    return form.thread_;
}

Form::Form(const FormSpec& spec) : Control(*this, WindowSpec(spec)), captionBar_(spec.captionBar) {
    for (const ControlSpec& line : spec.controls) {
        if (byName_.count(line.name) || (!line.parent.empty() && !byName_.count(line.parent))) {
            MissingControl(line.parent.empty() ? line.name : line.parent);
        }
        Adopt(MakeControl(*this, line));
    }
}

Form::~Form() {
    // The handlers may belong to the derived window, which is gone already.
    Created = nullptr;
    Activated = nullptr;
    Destroying = nullptr;
    CloseRequested = nullptr;
    Moved = nullptr;
    Resized = nullptr;
    LostFocus = nullptr;
    for (const auto& control : controls_) {
        control->LostFocus = nullptr;
        control->GotFocus = nullptr;
    }
    if (hwnd_ && IsWindow(hwnd_)) {
        RunOnThread(thread_, [&] { DestroyWindow(hwnd_); });
    }
    // Controls go before the window object they refer to.
    controls_.clear();
}

void Form::MissingControl(const std::string& name) {
    std::fprintf(stderr, "form: no control %s of that kind\n", name.c_str());
    std::abort();
}

Control& Form::Adopt(std::unique_ptr<Control> control) {
    Control* raw = control.get();
    byName_[raw->Name()] = raw;
    controls_.push_back(std::move(control));
    return *raw;
}

std::string Form::FreshName(const std::string& base) const {
    for (int n = 2;; ++n) {
        std::string name = base + "#" + std::to_string(n);
        if (!byName_.count(name)) {
            return name;
        }
    }
}

Control* Form::Find(const std::string& name) const {
    auto at = byName_.find(name);
    return at == byName_.end() ? nullptr : at->second;
}

std::vector<Control*> Form::Controls() const {
    std::vector<Control*> all;
    for (const auto& control : controls_) {
        all.push_back(control.get());
    }
    return all;
}

std::vector<MenuItem*> Form::MenuItems(const std::string& parent) const {
    std::vector<MenuItem*> items;
    for (const auto& control : controls_) {
        if (auto* item = dynamic_cast<MenuItem*>(control.get());
            item && item->parentName_ == parent) {
            items.push_back(item);
        }
    }
    return items;
}

int Form::MenuHeight() const {
    return MenuItems("").empty() ? 0 : kMenuBarHeight;
}

POINT Form::ChildOffset() const {
    return {0, MenuHeight()};
}

const char* Form::ClassName() const {
    return "VerdelWindow";
}

DWORD Form::Style() const {
    if (!captionBar_) {
        return WS_POPUP;
    }
    return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
}

void Form::CreateWindowIn(HWND owner) {
    ControlWindow::EnsureClass(ClassName());
    CreateWindowExA(0, ClassName(), text_.c_str(), Style(), place_.left, place_.top,
                    place_.right - place_.left, place_.bottom - place_.top, owner, nullptr, nullptr,
                    this);
    if (!hwnd_) {
        return;
    }
    if (MenuHeight() > 0) {
        menuBar_ = CreateMenuBar(*this);
    }
    for (const auto& control : controls_) {
        Control* parent = control->parentName_.empty() ? this : Find(control->parentName_);
        if (control->kind_ == Kind::MenuItem) {
            continue;
        }
        if (parent && parent->hwnd_) {
            control->CreateWindowIn(parent->hwnd_);
        } else if (control->kind_ == Kind::Timer) {
            control->CreateWindowIn(hwnd_);
        }
    }
}

void Form::Load(HWND owner, bool modal) {
    // A worker loading a window owned by a window thread's window: the
    // window thread loads it (a modal one keeps the worker waiting).
    DWORD ownerThread = owner ? GetWindowThreadProcessId(owner, nullptr) : 0;
    if (ownerThread != 0 && ownerThread != GetCurrentThreadId()) {
        RunOnThread(ownerThread, [&] { Load(owner, modal); });
        return;
    }
    if (Exists()) {
        Activate();
        return;
    }
    thread_ = GetCurrentThreadId();
    modal_ = modal;
    CreateWindowIn(owner);
    if (!hwnd_) {
        return;
    }
    if (Created) {
        Created();
    }
    if (!hwnd_) {
        return;  // the creation handler destroyed it
    }
    bool ownerWasEnabled = modal && owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) {
        EnableWindow(owner, FALSE);
    }
    if (visible_) {
        ShowWindow(hwnd_, SW_SHOW);
        SetForegroundWindow(hwnd_);
    }
    if (modal) {
        RunModalLoop(owner, ownerWasEnabled);
    }
}

void Form::RunModalLoop(HWND owner, bool ownerWasEnabled) {
    HWND self = hwnd_;
    MSG msg;
    while (IsWindow(self)) {
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(int(msg.wParam));  // the outer loop ends too
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (ownerWasEnabled && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetForegroundWindow(owner);
    }
    modal_ = false;
}

bool Form::Exists() const {
    return OnFormThread([&] { return hwnd_ != nullptr && IsWindow(hwnd_) != FALSE; });
}

void Form::Destroy() {
    OnFormThread([&] {
        if (hwnd_) {
            DestroyWindow(hwnd_);
        }
    });
}

void Form::Activate() {
    OnFormThread([&] {
        if (hwnd_) {
            ShowWindow(hwnd_, SW_SHOW);
            SetForegroundWindow(hwnd_);
        }
    });
}

void Form::Restore() {
    OnFormThread([&] {
        if (hwnd_) {
            ShowWindow(hwnd_, SW_RESTORE);
        }
    });
}

void Form::Paint(Painter& painter) {
    painter.Fill(painter.Whole(), look::kFace);
}

std::optional<LRESULT> Form::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            if (CloseRequested && !CloseRequested()) {
                return 0;
            }
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            if (Destroying) {
                Destroying();
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && Activated) {
                Activated();
            }
            return std::nullopt;
        case WM_MOVE:
            if (Moved) {
                Moved();
            }
            return 0;
        case WM_SIZE:
            if (menuBar_) {
                ResizeMenuBar(menuBar_, LOWORD(lParam));
            }
            if (Resized) {
                Resized();
            }
            return 0;
        case WM_TIMER:
            for (const auto& control : controls_) {
                if (auto* timer = dynamic_cast<Timer*>(control.get());
                    timer && timer->TimerId() == wParam) {
                    if (timer->Ticked) {
                        timer->Ticked();
                    }
                    return 0;
                }
            }
            return 0;
        default:
            return std::nullopt;
    }
}

void DoEvents() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace ui
