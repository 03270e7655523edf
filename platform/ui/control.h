#pragma once
// The common ground of every window and control: kind, form name, native
// handle, the properties all kinds share and the events every kind reports.
//
// A control lives in its form (see form.h). Its state is kept here and shown
// by a window of its kind's class on the form's thread. Every operation may
// be called from any thread: a call from another thread runs on the form's
// thread, in order, before it returns. Events run on the form's thread.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "platform/kernel/message_queue.h"
#include "platform/window/window_types.h"

namespace ui {

class Form;
class Painter;

enum class Kind {
    Window,
    Label,
    TransparentLabel,
    EditBox,
    ComboBox,
    ListView,
    TabControl,
    PictureBox,
    Canvas,
    Frame,
    PictureButton,
    Button,
    CheckBox,
    HyperlinkLabel,
    VScrollBar,
    Timer,
    HtmlView,
    MenuItem,
};

// One line of a form table. parent: the form name of the containing control,
// empty for the window itself (menu items: the pop-up they sit in, empty for
// the menu bar). page: the tab page of a control whose parent is a tab
// control. Menu items whose text is "-" are separators.
struct ControlSpec {
    Kind kind = Kind::Label;
    std::string name;
    std::string parent;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::string text;
    int page = 0;

    ControlSpec() = default;
    ControlSpec(Kind k, std::string n, std::string p, int l = 0, int t = 0, int w = 0, int h = 0,
                std::string initialText = {}, int onPage = 0)
        : kind(k),
          name(std::move(n)),
          parent(std::move(p)),
          left(l),
          top(t),
          width(w),
          height(h),
          text(std::move(initialText)),
          page(onPage) {}
};

// Mouse position (client coordinates) and button state of a mouse event.
struct MouseEvent {
    int x = 0;
    int y = 0;
    win::WPARAM keys = 0;
};

class Control {
  public:
    Control(Form& form, const ControlSpec& spec);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Kind kind() const { return kind_; }
    const std::string& Name() const { return name_; }
    Form& form() const { return form_; }
    // The native window handle (null before the form is loaded, and for
    // kinds without a window of their own: timers and menu items give the
    // window's handle).
    virtual win::HWND Hwnd() const;

    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    // Omitted values stay as they are.
    void Move(std::optional<int> left, std::optional<int> top = std::nullopt,
              std::optional<int> width = std::nullopt, std::optional<int> height = std::nullopt);
    std::string Text() const;
    void SetText(const std::string& text);
    win::COLORREF TextColor() const;
    void SetTextColor(win::COLORREF color);
    std::string Tag() const;
    void SetTag(const std::string& tag);
    void Focus();
    bool HasFocus() const;
    void Redraw();

    // A new control of the same kind with the same properties and handlers,
    // beside this one (same parent and page); it belongs to the form.
    Control& Copy();
    // Makes the control a child of another window (a control's or any
    // native window).
    void SetParentWindow(win::HWND parent);
    void SetParentWindow(const Control& parent) { SetParentWindow(parent.Hwnd()); }

    // Events.
    std::function<void()> Clicked;
    std::function<void()> GotFocus;
    std::function<void()> LostFocus;
    std::function<void(const MouseEvent&)> MouseMoved;
    std::function<void(const MouseEvent&)> LeftPressed;
    std::function<void(const MouseEvent&)> LeftReleased;
    std::function<void(int notches)> WheelTurned;

    // Where children sit inside this control's window (see ChildOffset).
    win::POINT ChildOffsetOf() const { return ChildOffset(); }

    // Runs call on the form's thread (at once when already there, or when
    // the form has no window) and returns its result.
    template <class F>
    auto OnFormThread(F&& call) const -> std::invoke_result_t<F&>;

  protected:
    friend class Form;
    friend class TabControl;
    friend struct ControlWindow;

    // Creates the window of the control inside parent (the form's thread).
    virtual void CreateWindowIn(win::HWND parent);
    // The window class of the kind and its styles.
    virtual const char* ClassName() const;
    virtual win::DWORD Style() const;
    virtual win::DWORD ExStyle() const { return 0; }
    // Draws the client area.
    virtual void Paint(Painter& painter);
    // The kind's handling of a message of its window; unhandled messages
    // return none and go on to the default handling.
    virtual std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                               win::LPARAM lParam);
    // Makes a new control of this kind with this one's properties.
    virtual std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const;
    void CopyCommonTo(Control& other) const;
    // Schedules a repaint (transparent kinds repaint what lies under them).
    virtual void Invalidate();
    // Where children of this control sit inside its window (a tab strip or
    // menu bar moves them down).
    virtual win::POINT ChildOffset() const { return {0, 0}; }
    // Visibility the window should have: the control's own, and that of its
    // tab page.
    bool ShownNow() const;
    void ApplyVisibility();
    Control* ParentControl() const;
    std::string& TextField() { return text_; }
    const std::string& TextField() const { return text_; }

    Form& form_;
    Kind kind_;
    std::string name_;
    std::string parentName_;
    int page_ = 0;
    win::HWND hwnd_ = nullptr;
    win::RECT place_{};  // before the window exists
    std::string text_;
    std::string tag_;
    win::COLORREF textColor_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    int wheelRemainder_ = 0;
    bool leftDown_ = false;
};

}  // namespace ui

#include "platform/ui/form_thread.h"
