#pragma once
// Inside the control set: how the controls look, and the painter they draw
// with (a paint DC of the control's client area).
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/ui/picture.h"

namespace ui {

namespace look {
constexpr win::COLORREF kFace = win::RGB(240, 240, 240);
constexpr win::COLORREF kWindow = win::RGB(255, 255, 255);
constexpr win::COLORREF kText = win::RGB(0, 0, 0);
constexpr win::COLORREF kGrayText = win::RGB(109, 109, 109);
constexpr win::COLORREF kBorder = win::RGB(171, 173, 179);
constexpr win::COLORREF kButtonBorder = win::RGB(112, 112, 112);
constexpr win::COLORREF kButtonTop = win::RGB(242, 242, 242);
constexpr win::COLORREF kButtonBottom = win::RGB(221, 221, 221);
constexpr win::COLORREF kHotBorder = win::RGB(60, 127, 177);
constexpr win::COLORREF kHotFill = win::RGB(229, 241, 251);
constexpr win::COLORREF kPressedFill = win::RGB(204, 228, 247);
constexpr win::COLORREF kSelection = win::RGB(51, 153, 255);
constexpr win::COLORREF kSelectionText = win::RGB(255, 255, 255);
constexpr win::COLORREF kLink = win::RGB(0, 102, 204);
constexpr win::COLORREF kScrollTrack = win::RGB(234, 234, 234);
constexpr win::COLORREF kScrollThumb = win::RGB(205, 205, 205);
constexpr win::COLORREF kArrow = win::RGB(96, 96, 96);
constexpr win::COLORREF kHeader = win::RGB(247, 247, 247);
constexpr win::COLORREF kGrid = win::RGB(229, 229, 229);
constexpr int kFontHeight = 12;
}  // namespace look

enum class TextAlign { Left, Center, Right };

class Painter {
  public:
    Painter(win::HDC dc, int width, int height);
    ~Painter();
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    win::HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    win::RECT Whole() const { return {0, 0, width_, height_}; }

    void Fill(const win::RECT& rect, win::COLORREF color);
    // A one-pixel border inside rect.
    void Frame(const win::RECT& rect, win::COLORREF color);
    // Top half in one colour, bottom half in the other.
    void Gradient(const win::RECT& rect, win::COLORREF top, win::COLORREF bottom);
    // Text in rect: one line centred vertically, or wrapped lines from the top.
    void Text(const win::RECT& rect, const std::string& text, win::COLORREF color,
              TextAlign align = TextAlign::Left, bool wrap = false, bool underline = false);
    int TextWidth(const std::string& text);
    void DrawPicture(const Picture& picture, int x, int y);
    // A small filled triangle pointing down (up when up is true) centred at x, y.
    void Arrow(int x, int y, bool up, win::COLORREF color);

  private:
    win::HDC dc_;
    int width_;
    int height_;
    win::HGDIOBJ oldFont_ = nullptr;
};

// The font every control draws with (and its underlined twin).
win::HFONT ControlFont(bool underline = false);

}  // namespace ui
