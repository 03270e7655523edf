#include "support/ui_harness.h"

#include <gtest/gtest.h>

#include "platform/ui/browser.h"
#include "platform/ui/menu_bar.h"

namespace harness {

using namespace win;

namespace {

POINT CentreOf(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return POINT{client.right / 2, client.bottom / 2};
}

POINT CentreOf(const RECT& rect) {
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

}  // namespace

UiSession::UiSession(bool manualClock, int screenWidth, int screenHeight)
    : Session(manualClock, screenWidth, screenHeight) {
    ui::SetMessageBoxObserver([this](const ui::MessageBoxInfo& box) {
        std::lock_guard guard(mutex_);
        ShownBox shown{box.text, box.caption, box.icon, box.buttons, ui::MessageResult::Ok};
        if (leaveOpen_) {
            boxes_.push_back(shown);
            return std::optional<ui::MessageResult>();
        }
        if (!answers_.empty()) {
            shown.answer = answers_.front();
            answers_.pop_front();
        } else {
            shown.answer = box.buttons == ui::MessageButtons::YesNo ? ui::MessageResult::Yes
                                                                    : ui::MessageResult::Ok;
        }
        boxes_.push_back(shown);
        return std::optional<ui::MessageResult>(shown.answer);
    });
    ui::SetAddressOpener([this](const std::string& address) {
        std::lock_guard guard(mutex_);
        addresses_.push_back(address);
        return true;
    });
}

UiSession::~UiSession() {
    ui::SetMessageBoxObserver(nullptr);
    ui::SetAddressOpener(nullptr);
}

ui::Control& UiSession::Find(const ui::Form& form, const std::string& name) {
    ui::Control* control = form.Find(name);
    if (!control) {
        ADD_FAILURE() << "harness: the form has no control " << name;
        std::abort();
    }
    return *control;
}

void UiSession::Click(const ui::Control& control) {
    Session::Click(control.Hwnd(), CentreOf(control.Hwnd()));
}

void UiSession::ClickAt(const ui::Control& control, POINT client) {
    Session::Click(control.Hwnd(), client);
}

void UiSession::MoveOver(const ui::Control& control, POINT client) {
    Session::MoveTo(control.Hwnd(), client);
}

void UiSession::TypeInto(const ui::Control& control, const std::string& text) {
    Click(control);
    Type(text);
}

void UiSession::ChooseItem(ui::ComboBox& combo, int index) {
    if (!combo.ListOpen()) {
        Click(combo);
    }
    HWND list = combo.ListWindow();
    if (!list) {
        ADD_FAILURE() << "harness: the list of " << combo.Name() << " did not open";
        return;
    }
    RECT client{};
    GetClientRect(list, &client);
    constexpr int kItemHeight = 18;
    Session::Click(list, POINT{client.right / 2, 1 + index * kItemHeight + kItemHeight / 2});
}

void UiSession::Scroll(ui::Control& control, int notches) {
    control.Focus();
    MoveOver(control, CentreOf(control.Hwnd()));
    Wheel(notches);
}

void UiSession::ChooseMenu(const ui::MenuItem& title, const ui::MenuItem& entry) {
    RECT rect{};
    if (!ui::MenuItemScreenRect(title, &rect)) {
        ADD_FAILURE() << "harness: no menu title " << title.Name();
        return;
    }
    POINT at = CentreOf(rect);
    if (ui::OpenMenuTitle() != &title) {  // a disabled entry leaves its pop-up open
        MoveToScreen(at);
        PressScreen(at);
        ReleaseScreen(at);
    }
    if (!ui::MenuItemScreenRect(entry, &rect)) {
        ADD_FAILURE() << "harness: no open menu entry " << entry.Name();
        return;
    }
    at = CentreOf(rect);
    MoveToScreen(at);
    PressScreen(at);
    ReleaseScreen(at);
}

HWND UiSession::OpenBox() const {
    for (HWND box = FindWindowExA(nullptr, nullptr, "VerdelMessageBox", nullptr); box;
         box = FindWindowExA(nullptr, box, "VerdelMessageBox", nullptr)) {
        if (IsWindowVisible(box)) {
            return box;
        }
    }
    return nullptr;
}

void UiSession::ClickBoxButton(HWND box, int button) {
    RECT rect{};
    if (!ui::MessageBoxButtonRect(box, button, &rect)) {
        ADD_FAILURE() << "harness: the box has no button " << button;
        return;
    }
    POINT at = CentreOf(rect);
    MoveToScreen(at);
    PressScreen(at);
    ReleaseScreen(at);
}

void UiSession::AnswerNextBox(ui::MessageResult answer) {
    std::lock_guard guard(mutex_);
    answers_.push_back(answer);
}

std::vector<ShownBox> UiSession::Boxes() const {
    std::lock_guard guard(mutex_);
    return boxes_;
}

std::vector<std::string> UiSession::OpenedAddresses() const {
    std::lock_guard guard(mutex_);
    return addresses_;
}

}  // namespace harness
