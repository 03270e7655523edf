#pragma once
// The control kinds. Each one is a window class on the window layer; the
// common properties and events are in control.h.
#include <string>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/picture.h"

namespace ui {

class Label : public Control {
  public:
    using Control::Control;
    bool WordWrap() const;
    void SetWordWrap(bool wrap);

  protected:
    void Paint(Painter& painter) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
    bool wordWrap_ = false;
};

// A label that draws only its text over whatever lies beneath it.
class TransparentLabel : public Label {
  public:
    using Label::Label;

  protected:
    void Paint(Painter& painter) override;
    void Invalidate() override;
    win::DWORD ExStyle() const override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
};

class EditBox : public Control {
  public:
    explicit EditBox(Form& form, const ControlSpec& spec);
    // Byte position of the caret in the text (0 = before the first byte).
    int Caret() const;
    std::function<void()> TextChanged;

  protected:
    void Paint(Painter& painter) override;
    std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
    void Typed(unsigned char byte);
    void Key(win::UINT key);
    void Changed(const std::string& text, int caret);
    int caret_ = 0;
    bool keepCaret_ = false;
    int pendingLead_ = -1;  // the first byte of a two-byte character being typed
};

// A drop-down list: the box shows the selected item; clicking it opens the
// list in a pop-up window.
// The form text gives the first items, one a line.
class ComboBox : public Control {
  public:
    explicit ComboBox(Form& form, const ControlSpec& spec);
    void Clear();
    // Returns the new item's index.
    int AddItem(const std::string& text, long long datum = 0);
    int ItemCount() const;
    std::string ItemText(int index) const;
    long long ItemData(int index) const;
    int Selected() const;
    // -1 clears the selection. A selection set here is not reported as
    // ItemChosen (only a person's choice is).
    void Select(int index);
    bool ListOpen() const;
    win::HWND ListWindow() const;

    std::function<void()> ItemChosen;
    std::function<void()> ListClosed;

  protected:
    void Paint(Painter& painter) override;
    std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;

  public:  // for the pop-up list
    struct Item {
        std::string text;
        long long datum = 0;
    };
    void OpenList();
    void CloseList(int chosen);  // -1: closed without a choice
    void ForgetList();
    const std::vector<Item>& Items() const { return items_; }

  private:
    std::vector<Item> items_;
    int selected_ = -1;
    win::HWND list_ = nullptr;
};

// A list of rows with columns; columns of width 0 keep texts nobody sees.
class ListView : public Control {
  public:
    explicit ListView(Form& form, const ControlSpec& spec);
    enum class Align { Left, Center, Right };
    void AddColumn(const std::string& title, int width, Align align = Align::Left);
    int ColumnCount() const;
    void DeleteAllRows();
    // Returns the new row's index.
    int AppendRow();
    int RowCount() const;
    // Empty for a row or column that does not exist.
    std::string Cell(int row, int column) const;
    void SetCell(int row, int column, const std::string& text);
    // -1 when no row is selected.
    int SelectedRow() const;
    void SelectRow(int row);
    int TopRow() const;
    void ScrollTo(int topRow);
    // While suspended, changes draw nothing; resuming draws once.
    void SetRedraw(bool redraw);
    void SetHeaderVisible(bool visible);
    int RowHeight() const { return kRowHeight; }

    std::function<void()> LeftClicked;

    static constexpr int kRowHeight = 18;
    static constexpr int kHeaderHeight = 20;
    static constexpr int kScrollWidth = 17;

  protected:
    void Paint(Painter& painter) override;
    std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
    void Invalidate() override;

  private:
    struct Column {
        std::string title;
        int width = 0;
        Align align = Align::Left;
    };
    int VisibleRows() const;
    int MaxTopRow() const;
    bool HasScrollBar() const;
    void Press(int x, int y);
    std::vector<Column> columns_;
    std::vector<std::vector<std::string>> rows_;
    int selected_ = -1;
    int top_ = 0;
    bool redraw_ = true;
    bool header_ = false;
};

// Pages of controls: a control whose parent is the tab control shows only
// while its page is the current one.
class TabControl : public Control {
  public:
    explicit TabControl(Form& form, const ControlSpec& spec);
    int CurrentPage() const;
    void SetCurrentPage(int page);
    int PageCount() const;
    std::function<void()> PageChanged;

    static constexpr int kStripHeight = 22;

  protected:
    void Paint(Painter& painter) override;
    std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
    win::POINT ChildOffset() const override;

  private:
    std::vector<std::string> titles_;  // from the text, one per line; none: no strip
    int current_ = 0;
};

// A picture box or canvas: a background picture (PNG or JPEG bytes) drawn
// from the top-left corner, over the background colour.
class PictureBox : public Control {
  public:
    using Control::Control;
    // False (and no picture) when the bytes are no picture we read.
    bool SetPicture(const std::string& bytes);
    void SetPicture(Picture picture);
    void ClearPicture();
    bool HasPicture() const;
    int PictureWidth() const;
    int PictureHeight() const;
    win::COLORREF BackColor() const;
    void SetBackColor(win::COLORREF color);

  protected:
    void Paint(Painter& painter) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
    std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) override;
    std::shared_ptr<const Picture> picture_;
    win::COLORREF back_ = 0xF0F0F0;
    bool pressed_ = false;
};

class Canvas : public PictureBox {
  public:
    using PictureBox::PictureBox;

  protected:
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
};

// A container; its children show only inside it.
class Frame : public Control {
  public:
    using Control::Control;
    bool Border() const;
    void SetBorder(bool border);

  protected:
    void Paint(Painter& painter) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
    win::DWORD Style() const override;
    bool border_ = true;
};

// A push button with a text.
class Button : public Control {
  public:
    using Control::Control;

  protected:
    void Paint(Painter& painter) override;
    std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
    bool pressed_ = false;
    bool hot_ = false;
};

// A button drawn by pictures: normal, under the mouse, pressed (the missing
// ones fall back to the normal picture, no picture to a plain button).
class PictureButton : public Button {
  public:
    using Button::Button;
    bool SetPictures(const std::string& normal, const std::string& hot = {},
                     const std::string& pressed = {});

  protected:
    void Paint(Painter& painter) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
    std::shared_ptr<const Picture> normal_, hot_picture_, pressed_picture_;
};

class CheckBox : public Button {
  public:
    using Button::Button;
    bool Checked() const;
    // Setting the state from code reports no click.
    void SetChecked(bool checked);

  protected:
    void Paint(Painter& painter) override;
    std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
    bool checked_ = false;
};

// Underlined text; a click opens its address in the browser (the text when
// no address is set), then reports Clicked.
class HyperlinkLabel : public Button {
  public:
    explicit HyperlinkLabel(Form& form, const ControlSpec& spec);
    std::string Address() const;
    void SetAddress(const std::string& address);

  protected:
    void Paint(Painter& painter) override;
    std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;
    std::string address_;
};

// A vertical scroll bar from 0 to its maximum. Arrows move by LineStep, the
// track by PageStep; the thumb can be dragged. Positions set from code are
// not reported. A wheel turn is reported in whole notches and moves nothing
// by itself.
class VScrollBar : public Control {
  public:
    explicit VScrollBar(Form& form, const ControlSpec& spec);
    int Position() const;
    void SetPosition(int position);
    int Maximum() const;
    void SetMaximum(int maximum);
    int LineStep() const;
    void SetLineStep(int step);
    int PageStep() const;
    void SetPageStep(int step);
    std::function<void()> PositionChanged;

  protected:
    void Paint(Painter& painter) override;
    std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;

  private:
    struct Thumb {
        int top = 0;
        int height = 0;
    };
    Thumb ThumbPlace() const;
    int Arrow() const;
    void UserMoves(int position);
    int position_ = 0;
    int maximum_ = 100;
    int line_ = 1;
    int pageStep_ = 10;
    std::optional<int> dragOffset_;
};

// Ticks every period milliseconds on the form's thread; period 0 = stopped.
class Timer : public Control {
  public:
    using Control::Control;
    ~Timer() override;
    int Period() const;
    void SetPeriod(int milliseconds);
    std::function<void()> Ticked;
    win::HWND Hwnd() const override;
    win::UINT_PTR TimerId() const { return id_; }

  protected:
    void CreateWindowIn(win::HWND parent) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;

  private:
    void Arm();
    int period_ = 0;
    win::UINT_PTR id_ = 0;
    bool created_ = false;
};

// An HTML view: its address and the request to open a new window. What it
// shows inside is its content's business; the view offers the inner window
// of class "Internet Explorer_Server" that content and plug-ins live in.
class HtmlView : public Control {
  public:
    using Control::Control;
    std::string Address() const;
    void SetAddress(const std::string& address);
    win::HWND ContentWindow() const;
    // Content asking for a new window at address: NewWindowRequested decides
    // (true allows); allowed addresses open in the browser. Returns whether
    // it was allowed.
    bool RequestNewWindow(const std::string& address);
    std::function<bool(const std::string& address)> NewWindowRequested;
    std::function<void()> AddressChanged;

  protected:
    void CreateWindowIn(win::HWND parent) override;
    void Paint(Painter& painter) override;
    std::optional<win::LRESULT> Handle(win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
    const char* ClassName() const override;

  private:
    std::string address_;
    win::HWND content_ = nullptr;
};

// An entry of the menu bar (parent empty: a title of the bar) or of a
// pop-up (parent: the entry it drops from). "-" makes a separator.
class MenuItem : public Control {
  public:
    using Control::Control;
    bool Separator() const { return text_ == "-"; }
    win::HWND Hwnd() const override;

  protected:
    void CreateWindowIn(win::HWND parent) override;
    std::unique_ptr<Control> Clone(Form& form, const ControlSpec& spec) const override;
};

}  // namespace ui
