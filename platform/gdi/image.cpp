// Pixels from outside the layer drawn into a DC, for the imaging library.
#include <cairo.h>

#include "platform/gdi/gdi_internal.h"

namespace gdi {

bool DrawPixels(win::HDC hdc, const std::uint8_t* pixels, int width, int height, double x, double y,
                double w, double h, bool smooth) {
    auto dc = detail::FindDC(hdc);
    if (!dc || pixels == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    if (w == 0 || h == 0) {
        return true;
    }
    const int stride = width * 4;
    cairo_surface_t* source = cairo_image_surface_create_for_data(
        const_cast<std::uint8_t*>(pixels), CAIRO_FORMAT_ARGB32, width, height, stride);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(source);
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, width / w, 0, 0, height / h, -x * width / w, -y * height / h);
    cairo_pattern_set_matrix(pattern, &matrix);
    const bool scaled = w != width || h != height;
    cairo_pattern_set_filter(pattern, scaled && smooth ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(pattern, scaled ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
    {
        detail::Drawing drawing(*dc);
        cairo_t* cr = drawing.cr();
        cairo_set_source(cr, pattern);
        cairo_rectangle(cr, w < 0 ? x + w : x, h < 0 ? y + h : y, w < 0 ? -w : w, h < 0 ? -h : h);
        cairo_fill(cr);
    }
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(source);
    return true;
}

}  // namespace gdi
