// Drawing the controls through the graphics layer.
#include <algorithm>

#include "platform/gdi/surface.h"
#include "platform/ui/look.h"

namespace ui {

using namespace win;

HFONT ControlFont(bool underline) {
    static HFONT plain = CreateFontA(look::kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                     GB2312_CHARSET, 0, 0, 0, 0, "宋体");
    static HFONT underlined = CreateFontA(look::kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE,
                                          GB2312_CHARSET, 0, 0, 0, 0, "宋体");
    return underline ? underlined : plain;
}

Painter::Painter(HDC dc, int width, int height) : dc_(dc), width_(width), height_(height) {
    if (dc_) {
        oldFont_ = SelectObject(dc_, ControlFont());
        SetBkMode(dc_, TRANSPARENT);
    }
}

Painter::~Painter() {
    if (dc_ && oldFont_) {
        SelectObject(dc_, oldFont_);
    }
}

void Painter::Fill(const RECT& rect, COLORREF color) {
    if (!dc_ || rect.right <= rect.left || rect.bottom <= rect.top) {
        return;
    }
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc_, &rect, brush);
    DeleteObject(brush);
}

void Painter::Frame(const RECT& rect, COLORREF color) {
    if (!dc_) {
        return;
    }
    HBRUSH brush = CreateSolidBrush(color);
    FrameRect(dc_, &rect, brush);
    DeleteObject(brush);
}

void Painter::Gradient(const RECT& rect, COLORREF top, COLORREF bottom) {
    int middle = rect.top + (rect.bottom - rect.top) / 2;
    Fill(RECT{rect.left, rect.top, rect.right, middle}, top);
    Fill(RECT{rect.left, middle, rect.right, rect.bottom}, bottom);
}

void Painter::Text(const RECT& rect, const std::string& text, COLORREF color, TextAlign align,
                   bool wrap, bool underline) {
    if (!dc_ || text.empty()) {
        return;
    }
    HGDIOBJ previous = underline ? SelectObject(dc_, ControlFont(true)) : nullptr;
    SetTextColor(dc_, color);
    UINT format = DT_NOPREFIX;
    format |= align == TextAlign::Center  ? DT_CENTER
              : align == TextAlign::Right ? DT_RIGHT
                                          : DT_LEFT;
    format |= wrap ? DT_WORDBREAK : (DT_SINGLELINE | DT_VCENTER);
    RECT box = rect;
    DrawTextA(dc_, text.c_str(), int(text.size()), &box, format);
    if (previous) {
        SelectObject(dc_, previous);
    }
}

int Painter::TextWidth(const std::string& text) {
    SIZE size{};
    if (!dc_ || !GetTextExtentPoint32A(dc_, text.c_str(), int(text.size()), &size)) {
        return 0;
    }
    return size.cx;
}

void Painter::DrawPicture(const Picture& picture, int x, int y) {
    if (!dc_ || picture.width <= 0 || picture.height <= 0) {
        return;
    }
    gdi::DrawPixels(dc_, picture.pixels.data(), picture.width, picture.height, x, y, picture.width,
                    picture.height, false);
}

void Painter::Arrow(int x, int y, bool up, COLORREF color) {
    for (int row = 0; row < 4; ++row) {
        int half = up ? row : 3 - row;
        Fill(RECT{x - half, y - 2 + row, x + half + 1, y - 1 + row}, color);
    }
}

}  // namespace ui
