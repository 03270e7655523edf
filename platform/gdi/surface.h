#pragma once
// Pixel surfaces for the window layer: a window paints into its surface
// through device contexts made here, and the display shows the surfaces.
//
// A surface is a Cairo image surface, ARGB32 with premultiplied alpha
// (bytes B, G, R, A in memory), rows top-down.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/gdi_types.h"

typedef struct _cairo_surface cairo_surface_t;

namespace gdi {

class Surface {
  public:
    // A surface of width x height (at least 1 x 1), every pixel 0.
    static std::shared_ptr<Surface> Create(int width, int height);
    // A surface over pixels that `owner` keeps alive; stride must be
    // width * 4.
    static std::shared_ptr<Surface> Wrap(std::shared_ptr<void> owner, std::uint8_t* data, int width,
                                         int height, int stride);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return stride_; }
    // The pixel rows. Call Flush before reading them after drawing through
    // Cairo, and MarkDirty after writing them directly.
    std::uint8_t* Data() { return data_; }
    const std::uint8_t* Data() const { return data_; }
    void Flush() const;
    void MarkDirty();
    // Premultiplied 0xAARRGGBB of one pixel; 0 outside the surface.
    std::uint32_t Pixel(int x, int y) const;
    // For the display's own composition.
    cairo_surface_t* Cairo() const { return cairo_; }

  private:
    Surface(std::shared_ptr<void> owner, std::uint8_t* data, int width, int height, int stride);

    std::shared_ptr<void> owner_;
    std::uint8_t* data_;
    int width_;
    int height_;
    int stride_;
    cairo_surface_t* cairo_ = nullptr;
};

// A device context that draws into `surface`: its logical (0, 0) is the
// surface point `origin` and nothing is drawn outside the union of `clip`
// (surface coordinates; an empty list clips everything). The DC keeps the
// surface alive; end it with win::DeleteDC.
win::HDC CreateDCForSurface(std::shared_ptr<Surface> surface, win::POINT origin,
                            std::vector<win::RECT> clip);

// The pixels the DC shows in the rectangle (logical coordinates) of
// width x height at (x, y), alpha as stored; parts outside the DC's bitmap
// or surface are 0. Null for an invalid DC or an empty size.
std::shared_ptr<Surface> CopyFromDC(win::HDC hdc, int x, int y, int width, int height);

// Draws premultiplied BGRA pixels (width x height, rows top-down) onto the
// rectangle x, y, w, h of the DC (logical coordinates, fractions allowed),
// scaled to it and blended over what is there. smooth: bilinear filtering
// when scaled, else nearest pixels. False for an invalid DC or pixels.
bool DrawPixels(win::HDC hdc, const std::uint8_t* pixels, int width, int height, double x, double y,
                double w, double h, bool smooth);

}  // namespace gdi
