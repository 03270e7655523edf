#pragma once
// Message boxes: a text, a caption, an icon and a set of buttons, shown
// modal on the calling thread (any thread), which waits until the box is
// answered. The owner (the window given, else the foreground window) is
// disabled meanwhile.
#include <functional>
#include <optional>
#include <string>

#include "platform/window/window_types.h"

namespace ui {

enum class MessageIcon { None, Information, Question, Warning };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageResult { Ok, Cancel, Yes, No };

struct MessageBoxInfo {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    win::HWND box = nullptr;  // the box's window while it shows
};

MessageResult ShowMessageBox(const std::string& text, const std::string& caption,
                             MessageIcon icon = MessageIcon::Information,
                             MessageButtons buttons = MessageButtons::Ok,
                             win::HWND owner = nullptr);

// Called on the box's thread once the box shows; an answer closes it at once
// with that button. Tests script answers and record boxes here.
using MessageBoxObserver = std::function<std::optional<MessageResult>(const MessageBoxInfo& box)>;
// Replaces the observer (null: none); returns the previous one.
MessageBoxObserver SetMessageBoxObserver(MessageBoxObserver observer);

// The place of a box's button on screen (0 = leftmost); false when there is
// no such box or button.
bool MessageBoxButtonRect(win::HWND box, int button, win::RECT* rect);

}  // namespace ui

namespace win {

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

}  // namespace win
