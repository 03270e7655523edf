#pragma once
// Driving forms in tests: controls found by their form names and worked by
// raw input (clicks at their centre, typing, choosing combo items, wheel
// turns, menu entries), message boxes answered from a script and recorded,
// and the addresses opened in the browser recorded instead of opened.
#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/form.h"
#include "platform/ui/message_box.h"
#include "support/harness.h"

namespace harness {

struct ShownBox {
    std::string text;
    std::string caption;
    ui::MessageIcon icon = ui::MessageIcon::None;
    ui::MessageButtons buttons = ui::MessageButtons::Ok;
    ui::MessageResult answer = ui::MessageResult::Ok;
};

class UiSession : public Session {
  public:
    explicit UiSession(bool manualClock = true, int screenWidth = 1366, int screenHeight = 768);
    ~UiSession();

    // The control of that form name; fails the test (and aborts it) when
    // the form has none.
    ui::Control& Find(const ui::Form& form, const std::string& name);
    template <class T>
    T& Find(const ui::Form& form, const std::string& name) {
        return dynamic_cast<T&>(Find(form, name));
    }

    // A left click at the control's centre, or at a point of its client area.
    using Session::Click;
    void Click(const ui::Control& control);
    void Click(const ui::Form& form, const std::string& name) { Click(Find(form, name)); }
    void ClickAt(const ui::Control& control, win::POINT client);
    void MoveOver(const ui::Control& control, win::POINT client);
    // Clicks the control, then types the GBK text.
    void TypeInto(const ui::Control& control, const std::string& text);
    // Opens the box's list with a click and clicks the item.
    void ChooseItem(ui::ComboBox& combo, int index);
    // Turns the wheel over the control, which first gets the keyboard focus
    // (the wheel goes to the focus).
    void Scroll(ui::Control& control, int notches);
    // Opens the title's pop-up and clicks the entry.
    void ChooseMenu(const ui::MenuItem& title, const ui::MenuItem& entry);

    // Scripted answers for the next boxes, in order; a box without one gets
    // its first button.
    void AnswerNextBox(ui::MessageResult answer);
    // Boxes stay open (recorded, with the answer a person then gives
    // unknown) until answered by raw input.
    void LeaveBoxesOpen(bool open) { leaveOpen_ = open; }
    // The box that shows now, if any.
    win::HWND OpenBox() const;
    // Clicks a button of an open box (0 = leftmost).
    void ClickBoxButton(win::HWND box, int button);
    std::vector<ShownBox> Boxes() const;
    std::vector<std::string> OpenedAddresses() const;

  private:
    mutable std::mutex mutex_;
    std::deque<ui::MessageResult> answers_;
    std::vector<ShownBox> boxes_;
    std::vector<std::string> addresses_;
    std::atomic<bool> leaveOpen_{false};
};

}  // namespace harness
