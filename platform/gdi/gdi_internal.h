#pragma once
// The drawing objects and device contexts behind the handles, shared by the
// files of this folder only.
#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

typedef struct _cairo cairo_t;

namespace gdi::detail {

enum class ObjectKind { Brush, Bitmap, Font, Pen };

struct Object {
    explicit Object(ObjectKind k) : kind(k) {}
    virtual ~Object() = default;
    ObjectKind kind;
    bool stock = false;
};

struct Brush : Object {
    Brush(win::COLORREF c, bool h) : Object(ObjectKind::Brush), color(c), hollow(h) {}
    win::COLORREF color;
    bool hollow;
};

struct Pen : Object {
    Pen(win::COLORREF c, bool n) : Object(ObjectKind::Pen), color(c), null(n) {}
    win::COLORREF color;
    bool null;
};

struct Font : Object {
    explicit Font(const win::LOGFONTA& l) : Object(ObjectKind::Font), log(l) {}
    win::LOGFONTA log;
};

// A bitmap's pixels live in a surface. A bottom-up DIB section keeps its
// bits apart, in the order the caller sees them, and copies them to and
// from the surface around every drawing call.
struct Bitmap : Object {
    Bitmap() : Object(ObjectKind::Bitmap) {}
    std::shared_ptr<Surface> surface;
    std::unique_ptr<std::uint8_t[]> bottomUpBits;
    void* bits = nullptr;  // DIB sections only

    void BitsToSurface();
    void SurfaceToBits();
};

// Handles are the addresses of their objects, valid while registered.
win::HGDIOBJ Register(std::shared_ptr<Object> object);
std::shared_ptr<Object> Find(win::HGDIOBJ handle);
bool Unregister(win::HGDIOBJ handle);

template <class T>
std::shared_ptr<T> FindAs(win::HGDIOBJ handle, ObjectKind kind) {
    auto object = Find(handle);
    if (!object || object->kind != kind) {
        return nullptr;
    }
    return std::static_pointer_cast<T>(object);
}

// The stock object `which`, with its handle; null for an unknown number.
std::shared_ptr<Object> Stock(int which, win::HGDIOBJ* handle);

struct Selected {
    std::shared_ptr<Object> object;
    win::HGDIOBJ handle = nullptr;
};

struct DeviceContext {
    // A window's DC draws into its surface at `origin`; a memory DC into
    // the selected bitmap.
    std::shared_ptr<Surface> windowSurface;
    win::POINT origin{0, 0};
    // Device coordinates; none = the whole target.
    std::optional<std::vector<win::RECT>> clip;

    Selected bitmap;
    Selected brush;
    Selected font;
    Selected pen;

    int bkMode = win::OPAQUE;
    win::COLORREF bkColor = win::RGB(255, 255, 255);
    win::COLORREF textColor = win::RGB(0, 0, 0);
    int stretchMode = win::BLACKONWHITE;

    Surface* Target() const;
    Bitmap* TargetBitmap() const;
};

std::shared_ptr<DeviceContext> FindDC(win::HDC hdc);

// Drawing into a DC's target for the length of one call: a Cairo context in
// logical coordinates, clipped to the DC, and the DIB bits kept in step.
class Drawing {
  public:
    explicit Drawing(DeviceContext& dc);
    ~Drawing();
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;
    cairo_t* cr() const { return cr_; }

  private:
    DeviceContext& dc_;
    cairo_t* cr_;
};

// Reading a DC's target as the source of a blit.
class Reading {
  public:
    explicit Reading(const DeviceContext& dc);
    cairo_surface_t* surface() const { return target_->Cairo(); }
    win::POINT origin() const { return origin_; }

  private:
    Surface* target_;
    win::POINT origin_;
};

// Fonts laid out as Pango sees them.
std::string PangoFamilies(const win::LOGFONTA& font);
win::LOGFONTA DefaultGuiFont();

void SetSourceColor(cairo_t* cr, win::COLORREF color);

}  // namespace gdi::detail
