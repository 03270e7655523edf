#pragma once
// Windows loaded from form tables. A feature's window is a class derived
// from Form whose members are references to the controls of its table, by
// their form names:
//
//   struct SettingsWindow : ui::Form {
//       SettingsWindow() : Form(kSettingsForm) {}
//       ui::ComboBox& 组合框1 = Get<ui::ComboBox>("组合框1");
//   };
//
// The controls exist as objects from construction; their windows are made
// when the form is loaded, on the loading thread, which then owns them.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/controls.h"

namespace ui {

struct FormSpec {
    std::string caption;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<ControlSpec> controls;
    bool captionBar = true;  // false: a bare pop-up window without caption or border

    FormSpec() = default;
    FormSpec(std::string caption_, int left_, int top_, int width_, int height_,
             std::vector<ControlSpec> controls_, bool captionBar_ = true)
        : caption(std::move(caption_)),
          left(left_),
          top(top_),
          width(width_),
          height(height_),
          controls(std::move(controls_)),
          captionBar(captionBar_) {}
};

class Form : public Control {
  public:
    explicit Form(const FormSpec& spec);
    ~Form() override;

    // The control of that form name and kind; a name the table does not
    // hold, or another kind, is a programming error and aborts.
    template <class T>
    T& Get(const std::string& name) {
        Control* control = Find(name);
        T* typed = control ? dynamic_cast<T*>(control) : nullptr;
        if (!typed) {
            MissingControl(name);
        }
        return *typed;
    }
    // Null when the form has no control of that name.
    Control* Find(const std::string& name) const;
    std::vector<Control*> Controls() const;

    // Creates the window and its controls, runs Created, then shows the
    // window. Modal: the owner is disabled and the call returns when the
    // window is gone. A form that exists is only activated. Called on
    // another thread than the owner's, the owner's thread loads it.
    void Load(win::HWND owner = nullptr, bool modal = false);
    void Load(const Form& owner, bool modal = false) { Load(owner.Hwnd(), modal); }
    bool Exists() const;
    void Destroy();
    void Activate();
    void Restore();
    bool Modal() const { return modal_; }
    std::string Caption() const { return Text(); }
    void SetCaption(const std::string& caption) { SetText(caption); }
    win::DWORD Thread() const { return thread_; }

    // The menu bar's height (0 without menu items).
    int MenuHeight() const;
    std::vector<MenuItem*> MenuItems(const std::string& parent) const;

    // Window events (mouse events and LostFocus come from Control).
    std::function<void()> Created;
    std::function<void()> Activated;
    std::function<void()> Destroying;
    // Returns whether the window may close (no handler: it may).
    std::function<bool()> CloseRequested;
    std::function<void()> Moved;
    std::function<void()> Resized;

    static constexpr int kMenuBarHeight = 20;

  protected:
    void CreateWindowIn(win::HWND owner) override;
    const char* ClassName() const override;
    win::DWORD Style() const override;
    void Paint(Painter& painter) override;
    std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) override;
    win::POINT ChildOffset() const override;

  private:
    friend class Control;
    friend win::DWORD FormThreadOf(const Form& form);
    Control& Adopt(std::unique_ptr<Control> control);
    std::string FreshName(const std::string& base) const;
    [[noreturn]] static void MissingControl(const std::string& name);
    void RunModalLoop(win::HWND owner, bool ownerWasEnabled);

    bool captionBar_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<std::string, Control*> byName_;
    win::DWORD thread_ = 0;
    bool modal_ = false;
    win::HWND menuBar_ = nullptr;
};

// The control whose window this is (null for other windows).
Control* ControlOf(win::HWND window);

// Handles every message waiting for the calling thread, then returns.
void DoEvents();

}  // namespace ui
