// Text: GBK converted to UTF-8 here and laid out with Pango.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/gdi/gdi_internal.h"
#include "platform/kernel/codepage.h"

// glib defines TRUE and FALSE as macros, so it comes after the layer's own
// headers, which declare them as constants.
#include <cairo.h>
#include <pango/pangocairo.h>

namespace gdi::detail {

// The face the program asks for first, then the installed CJK fonts.
std::string PangoFamilies(const win::LOGFONTA& font) {
    std::string face = codepage::GbkToUtf8(
        std::string_view(font.lfFaceName, strnlen(font.lfFaceName, win::LF_FACESIZE)));
    face.erase(std::remove(face.begin(), face.end(), ','), face.end());
    std::string families = face.empty() ? "" : face + ",";
    return families + "WenQuanYi Micro Hei,Noto Sans CJK SC,sans-serif";
}

namespace {

constexpr int kDefaultPixels = 12;

// A Pango layout of one text in one font. Measuring and drawing use the
// same context settings, so what is measured is what is drawn.
class TextLayout {
  public:
    TextLayout(const win::LOGFONTA& font, std::string_view gbk) {
        layout_ = pango_layout_new(ThreadContext());
        ApplyFont(font);
        std::string utf8 = codepage::GbkToUtf8(gbk);
        // Pango refuses texts with NUL characters inside; they show as blanks.
        std::replace(utf8.begin(), utf8.end(), '\0', ' ');
        pango_layout_set_text(layout_, utf8.data(), static_cast<int>(utf8.size()));
    }
    ~TextLayout() { g_object_unref(layout_); }
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    PangoLayout* get() const { return layout_; }

    PangoRectangle Logical() const {
        PangoRectangle logical;
        pango_layout_get_pixel_extents(layout_, nullptr, &logical);
        return logical;
    }

  private:
    void ApplyFont(const win::LOGFONTA& font) {
        PangoFontDescription* description = pango_font_description_new();
        pango_font_description_set_family(description, PangoFamilies(font).c_str());
        const int pixels = font.lfHeight == 0 ? kDefaultPixels : std::abs(font.lfHeight);
        pango_font_description_set_absolute_size(description, pixels * PANGO_SCALE);
        const int weight = font.lfWeight == 0 ? win::FW_NORMAL : font.lfWeight;
        pango_font_description_set_weight(description,
                                          static_cast<PangoWeight>(std::clamp(weight, 100, 1000)));
        pango_font_description_set_style(description,
                                         font.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
        pango_layout_set_font_description(layout_, description);
        pango_font_description_free(description);
        if (font.lfUnderline || font.lfStrikeOut) {
            PangoAttrList* attributes = pango_attr_list_new();
            if (font.lfUnderline) {
                pango_attr_list_insert(attributes,
                                       pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
            }
            if (font.lfStrikeOut) {
                pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
            }
            pango_layout_set_attributes(layout_, attributes);
            pango_attr_list_unref(attributes);
        }
    }

    // Pango's font map is per thread, so is the context made from it.
    static PangoContext* ThreadContext() {
        struct Context {
            Context() {
                context = pango_font_map_create_context(pango_cairo_font_map_get_default());
                cairo_font_options_t* options = cairo_font_options_create();
                cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
                cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
                cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
                pango_cairo_context_set_font_options(context, options);
                cairo_font_options_destroy(options);
            }
            ~Context() { g_object_unref(context); }
            PangoContext* context;
        };
        thread_local Context made;
        return made.context;
    }

    PangoLayout* layout_;
};

const win::LOGFONTA& FontOf(const DeviceContext& dc) {
    return static_cast<const Font&>(*dc.font.object).log;
}

// "&x" shows as "x" and "&&" as "&"; a two-byte character is stepped over
// whole so that its second byte is never taken for a sign.
std::string StripPrefixes(std::string_view gbk) {
    std::string out;
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const auto byte = static_cast<unsigned char>(gbk[i]);
        if (byte >= 0x81 && byte <= 0xFE && i + 1 < gbk.size()) {
            out += gbk.substr(i, 2);
            ++i;
        } else if (gbk[i] == '&') {
            if (i + 1 < gbk.size() && gbk[i + 1] == '&') {
                out += '&';
                ++i;
            }
        } else {
            out += gbk[i];
        }
    }
    return out;
}

// Line breaks as Pango reads them; none at all for a single line.
std::string Lines(std::string_view gbk, bool single) {
    std::string out;
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const char c = gbk[i];
        if (c == '\r' || c == '\n') {
            if (!single) {
                out += '\n';
            }
            if (c == '\r' && i + 1 < gbk.size() && gbk[i + 1] == '\n') {
                ++i;
            }
        } else {
            out += c;
        }
    }
    return out;
}

void DrawLayout(cairo_t* cr, const TextLayout& layout, const DeviceContext& dc, double x,
                double y) {
    const PangoRectangle logical = layout.Logical();
    if (dc.bkMode == win::OPAQUE) {
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        SetSourceColor(cr, dc.bkColor);
        cairo_rectangle(cr, x + logical.x, y + logical.y, logical.width, logical.height);
        cairo_fill(cr);
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    SetSourceColor(cr, dc.textColor);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout.get());
}

}  // namespace
}  // namespace gdi::detail

namespace win {

using namespace gdi::detail;

BOOL TextOutA(HDC hdc, int x, int y, const char* text, int count) {
    auto dc = FindDC(hdc);
    if (!dc || count < 0 || (text == nullptr && count > 0)) {
        return FALSE;
    }
    if (count == 0) {
        return TRUE;
    }
    TextLayout layout(FontOf(*dc), std::string_view(text, count));
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    Drawing drawing(*dc);
    DrawLayout(drawing.cr(), layout, *dc, x, y);
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC hdc, const char* text, int count, SIZE* size) {
    auto dc = FindDC(hdc);
    if (!dc || size == nullptr || count < 0 || (text == nullptr && count > 0)) {
        return FALSE;
    }
    TextLayout layout(FontOf(*dc), std::string_view(text ? text : "", count));
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    const PangoRectangle logical = layout.Logical();
    size->cx = count == 0 ? 0 : logical.width;
    size->cy = logical.height;
    return TRUE;
}

int DrawTextA(HDC hdc, const char* text, int count, RECT* rect, UINT format) {
    auto dc = FindDC(hdc);
    if (!dc || rect == nullptr || (text == nullptr && count != 0)) {
        return 0;
    }
    std::string_view raw(text ? text : "", count < 0 ? std::strlen(text) : count);
    std::string gbk = (format & DT_NOPREFIX) ? std::string(raw) : StripPrefixes(raw);
    const bool single = (format & DT_SINGLELINE) != 0;
    gbk = Lines(gbk, single);
    if (gbk.empty()) {
        if (format & DT_CALCRECT) {
            rect->right = rect->left;
            rect->bottom = rect->top;
        }
        return 0;
    }

    TextLayout layout(FontOf(*dc), gbk);
    const int boxWidth = std::max<LONG>(rect->right - rect->left, 0);
    const int boxHeight = rect->bottom - rect->top;
    if ((format & DT_WORDBREAK) && !single) {
        pango_layout_set_width(layout.get(), std::max(boxWidth, 1) * PANGO_SCALE);
        pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    } else if ((format & DT_END_ELLIPSIS) && !(format & DT_CALCRECT)) {
        pango_layout_set_width(layout.get(), std::max(boxWidth, 1) * PANGO_SCALE);
        pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
    }
    const PangoAlignment alignment = (format & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                     : (format & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                           : PANGO_ALIGN_LEFT;
    pango_layout_set_alignment(layout.get(), alignment);
    const PangoRectangle logical = layout.Logical();

    if (format & DT_CALCRECT) {
        rect->right = rect->left + logical.width;
        rect->bottom = rect->top + logical.height;
        return logical.height;
    }

    // Place the block of lines in the box; a wrapped layout already spans
    // the box's width and aligns its lines itself.
    double x = rect->left;
    if (pango_layout_get_width(layout.get()) < 0) {
        if (format & DT_CENTER) {
            x += (boxWidth - logical.width) / 2;
        } else if (format & DT_RIGHT) {
            x += boxWidth - logical.width;
        }
        x -= logical.x;
    }
    double y = rect->top;
    if (single && (format & DT_VCENTER)) {
        y += (boxHeight - logical.height) / 2;
    } else if (single && (format & DT_BOTTOM)) {
        y += boxHeight - logical.height;
    }

    Drawing drawing(*dc);
    cairo_t* cr = drawing.cr();
    if (!(format & DT_NOCLIP)) {
        cairo_rectangle(cr, rect->left, rect->top, boxWidth, std::max(boxHeight, 0));
        cairo_clip(cr);
    }
    DrawLayout(cr, layout, *dc, x, y);
    const int offset = static_cast<int>(y) - rect->top;
    return (single && (format & (DT_VCENTER | DT_BOTTOM))) ? offset + logical.height
                                                           : logical.height;
}

}  // namespace win
