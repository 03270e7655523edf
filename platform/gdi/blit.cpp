// Fills, single pixels and blits.
#include <cairo.h>

#include <cstdlib>
#include <cstring>

#include "platform/gdi/gdi_internal.h"

namespace gdi::detail {
namespace {

// A brush handle, or a system colour + 1 as window classes pass it.
std::optional<win::COLORREF> BrushColor(win::HBRUSH handle) {
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value >= 1 && value <= 31) {
        return win::GetSysColor(static_cast<int>(value - 1));
    }
    auto brush = FindAs<Brush>(handle, ObjectKind::Brush);
    if (!brush || brush->hollow) {
        return std::nullopt;
    }
    return brush->color;
}

bool IsValidBrush(win::HBRUSH handle) {
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    return (value >= 1 && value <= 31) || FindAs<Brush>(handle, ObjectKind::Brush) != nullptr;
}

void FillBox(DeviceContext& dc, double x, double y, double w, double h, win::COLORREF color) {
    Drawing drawing(dc);
    cairo_t* cr = drawing.cr();
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetSourceColor(cr, color);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

// Copies the source rectangle onto the destination rectangle, scaled when
// the sizes differ. Both rectangles may have negative sizes (mirroring).
bool Blit(DeviceContext& dest, int x, int y, int w, int h, const DeviceContext& source, int sx,
          int sy, int sw, int sh) {
    if (w == 0 || h == 0 || sw == 0 || sh == 0) {
        return true;
    }
    Reading reading(source);
    cairo_surface_t* pixels = reading.surface();
    cairo_surface_t* copy = nullptr;
    if (source.Target() == dest.Target()) {
        // Overlapping copies within one surface read from a snapshot.
        copy = cairo_surface_create_similar_image(
            pixels, CAIRO_FORMAT_ARGB32, source.Target()->Width(), source.Target()->Height());
        cairo_t* cr = cairo_create(copy);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, pixels, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        pixels = copy;
    }
    const bool stretched = (sw != w || sh != h);
    const double scaleX = static_cast<double>(sw) / w;
    const double scaleY = static_cast<double>(sh) / h;
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(pixels);
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, scaleX, 0, 0, scaleY, sx + reading.origin().x - x * scaleX,
                      sy + reading.origin().y - y * scaleY);
    cairo_pattern_set_matrix(pattern, &matrix);
    const bool smooth = stretched && dest.stretchMode == win::HALFTONE;
    cairo_pattern_set_filter(pattern, smooth ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(pattern, stretched ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
    {
        Drawing drawing(dest);
        cairo_t* cr = drawing.cr();
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source(cr, pattern);
        cairo_rectangle(cr, w < 0 ? x + w : x, h < 0 ? y + h : y, std::abs(w), std::abs(h));
        cairo_fill(cr);
    }
    cairo_pattern_destroy(pattern);
    if (copy) {
        cairo_surface_destroy(copy);
    }
    return true;
}

// The raster operations that need no source.
std::optional<win::COLORREF> SourcelessColor(const DeviceContext& dc, win::DWORD rop,
                                             bool* handled) {
    *handled = true;
    switch (rop) {
        case win::BLACKNESS:
            return win::RGB(0, 0, 0);
        case win::WHITENESS:
            return win::RGB(255, 255, 255);
        case win::PATCOPY: {
            auto brush = std::static_pointer_cast<Brush>(dc.brush.object);
            if (brush->hollow) {
                return std::nullopt;
            }
            return brush->color;
        }
        default:
            *handled = false;
            return std::nullopt;
    }
}

}  // namespace
}  // namespace gdi::detail

namespace win {

using namespace gdi::detail;

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    auto dc = FindDC(hdc);
    if (!dc || rect == nullptr || !IsValidBrush(brush)) {
        return 0;
    }
    auto color = BrushColor(brush);
    if (color && rect->right > rect->left && rect->bottom > rect->top) {
        FillBox(*dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                *color);
    }
    return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    auto dc = FindDC(hdc);
    if (!dc || rect == nullptr || !IsValidBrush(brush)) {
        return 0;
    }
    auto color = BrushColor(brush);
    if (!color || rect->right <= rect->left || rect->bottom <= rect->top) {
        return 1;
    }
    Drawing drawing(*dc);
    cairo_t* cr = drawing.cr();
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetSourceColor(cr, *color);
    const double w = rect->right - rect->left;
    const double h = rect->bottom - rect->top;
    cairo_rectangle(cr, rect->left, rect->top, w, h);
    if (w > 2 && h > 2) {
        // The inner rectangle runs the other way, so it is cut out.
        cairo_move_to(cr, rect->left + 1, rect->top + 1);
        cairo_rel_line_to(cr, 0, h - 2);
        cairo_rel_line_to(cr, w - 2, 0);
        cairo_rel_line_to(cr, 0, -(h - 2));
        cairo_close_path(cr);
    }
    cairo_fill(cr);
    return 1;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    auto dc = FindDC(hdc);
    if (!dc) {
        return CLR_INVALID;
    }
    const int px = x + dc->origin.x;
    const int py = y + dc->origin.y;
    const gdi::Surface* target = dc->Target();
    if (px < 0 || py < 0 || px >= target->Width() || py >= target->Height()) {
        return CLR_INVALID;
    }
    if (dc->clip) {
        POINT point{px, py};
        bool inside = false;
        for (const RECT& rect : *dc->clip) {
            inside = inside || PtInRect(&rect, point);
        }
        if (!inside) {
            return CLR_INVALID;
        }
    }
    Reading reading(*dc);
    const std::uint32_t argb = target->Pixel(px, py);
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    auto dc = FindDC(hdc);
    if (!dc) {
        return CLR_INVALID;
    }
    FillBox(*dc, x, y, 1, 1, color & 0xFFFFFF);
    return color & 0xFFFFFF;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
    return StretchBlt(dest, x, y, width, height, source, sourceX, sourceY, width, height, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop) {
    auto target = FindDC(dest);
    if (!target) {
        return FALSE;
    }
    bool sourceless = false;
    auto color = SourcelessColor(*target, rop, &sourceless);
    if (sourceless) {
        if (color && width != 0 && height != 0) {
            FillBox(*target, width < 0 ? x + width : x, height < 0 ? y + height : y,
                    std::abs(width), std::abs(height), *color);
        }
        return TRUE;
    }
    auto from = FindDC(source);
    if (rop != SRCCOPY || !from) {
        return FALSE;
    }
    return Blit(*target, x, y, width, height, *from, sourceX, sourceY, sourceWidth, sourceHeight)
               ? TRUE
               : FALSE;
}

}  // namespace win
