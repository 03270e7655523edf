// Device contexts: creation, selection of objects, attributes and clipping.
#include <cairo.h>

#include <mutex>
#include <unordered_map>

#include "platform/gdi/gdi_internal.h"

namespace gdi::detail {
namespace {

constexpr int kDefaultBitmap = 9;

struct DcTable {
    std::mutex mutex;
    std::unordered_map<win::HDC, std::shared_ptr<DeviceContext>> dcs;
};

DcTable& Dcs() {
    static DcTable* table = new DcTable;
    return *table;
}

win::HDC RegisterDC(std::shared_ptr<DeviceContext> dc) {
    auto handle = reinterpret_cast<win::HDC>(dc.get());
    auto& table = Dcs();
    std::lock_guard lock(table.mutex);
    table.dcs.emplace(handle, std::move(dc));
    return handle;
}

Selected StockSelection(int which) {
    Selected selected;
    selected.object = Stock(which, &selected.handle);
    return selected;
}

std::shared_ptr<DeviceContext> NewDC() {
    auto dc = std::make_shared<DeviceContext>();
    dc->brush = StockSelection(win::WHITE_BRUSH);
    dc->font = StockSelection(win::SYSTEM_FONT);
    dc->pen = StockSelection(win::BLACK_PEN);
    return dc;
}

}  // namespace

std::shared_ptr<DeviceContext> FindDC(win::HDC hdc) {
    if (hdc == nullptr) {
        return nullptr;
    }
    auto& table = Dcs();
    std::lock_guard lock(table.mutex);
    auto it = table.dcs.find(hdc);
    return it == table.dcs.end() ? nullptr : it->second;
}

Surface* DeviceContext::Target() const {
    if (windowSurface) {
        return windowSurface.get();
    }
    return static_cast<Bitmap&>(*bitmap.object).surface.get();
}

Bitmap* DeviceContext::TargetBitmap() const {
    if (windowSurface) {
        return nullptr;
    }
    return static_cast<Bitmap*>(bitmap.object.get());
}

Drawing::Drawing(DeviceContext& dc) : dc_(dc) {
    if (Bitmap* bitmap = dc.TargetBitmap()) {
        bitmap->BitsToSurface();
    }
    cr_ = cairo_create(dc.Target()->Cairo());
    if (dc.clip) {
        for (const win::RECT& rect : *dc.clip) {
            cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top);
        }
        cairo_clip(cr_);
    }
    cairo_translate(cr_, dc.origin.x, dc.origin.y);
}

Drawing::~Drawing() {
    cairo_destroy(cr_);
    dc_.Target()->Flush();
    if (Bitmap* bitmap = dc_.TargetBitmap()) {
        bitmap->SurfaceToBits();
    }
}

Reading::Reading(const DeviceContext& dc) : target_(dc.Target()), origin_(dc.origin) {
    if (Bitmap* bitmap = dc.TargetBitmap()) {
        bitmap->BitsToSurface();
    }
}

void SetSourceColor(cairo_t* cr, win::COLORREF color) {
    cairo_set_source_rgb(cr, win::GetRValue(color) / 255.0, win::GetGValue(color) / 255.0,
                         win::GetBValue(color) / 255.0);
}

}  // namespace gdi::detail

namespace gdi {

using namespace detail;

win::HDC CreateDCForSurface(std::shared_ptr<Surface> surface, win::POINT origin,
                            std::vector<win::RECT> clip) {
    if (!surface) {
        return nullptr;
    }
    auto dc = NewDC();
    dc->windowSurface = std::move(surface);
    dc->origin = origin;
    dc->clip = std::move(clip);
    return RegisterDC(std::move(dc));
}

std::shared_ptr<Surface> CopyFromDC(win::HDC hdc, int x, int y, int width, int height) {
    auto dc = FindDC(hdc);
    if (!dc || width <= 0 || height <= 0) {
        return nullptr;
    }
    Reading source(*dc);
    auto copy = Surface::Create(width, height);
    cairo_t* cr = cairo_create(copy->Cairo());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source.surface(), -(x + source.origin().x),
                             -(y + source.origin().y));
    cairo_paint(cr);
    cairo_destroy(cr);
    copy->Flush();
    return copy;
}

}  // namespace gdi

namespace win {

using namespace gdi::detail;

HDC CreateCompatibleDC(HDC) {
    auto dc = NewDC();
    dc->bitmap = StockSelection(kDefaultBitmap);
    return RegisterDC(std::move(dc));
}

BOOL DeleteDC(HDC hdc) {
    auto& table = Dcs();
    std::shared_ptr<DeviceContext> dc;  // released outside the lock
    std::lock_guard lock(table.mutex);
    auto it = table.dcs.find(hdc);
    if (it == table.dcs.end()) {
        return FALSE;
    }
    dc = std::move(it->second);
    table.dcs.erase(it);
    return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle) {
    auto dc = FindDC(hdc);
    auto object = Find(handle);
    if (!dc || !object) {
        return nullptr;
    }
    Selected* slot = nullptr;
    switch (object->kind) {
        case ObjectKind::Bitmap:
            if (dc->windowSurface) {
                return nullptr;
            }
            slot = &dc->bitmap;
            break;
        case ObjectKind::Brush:
            slot = &dc->brush;
            break;
        case ObjectKind::Font:
            slot = &dc->font;
            break;
        case ObjectKind::Pen:
            slot = &dc->pen;
            break;
    }
    HGDIOBJ previous = slot->handle;
    *slot = Selected{std::move(object), handle};
    return previous;
}

int SetBkMode(HDC hdc, int mode) {
    auto dc = FindDC(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

int GetBkMode(HDC hdc) {
    auto dc = FindDC(hdc);
    return dc ? dc->bkMode : 0;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    auto dc = FindDC(hdc);
    if (!dc) {
        return CLR_INVALID;
    }
    COLORREF previous = dc->bkColor;
    dc->bkColor = color & 0xFFFFFF;
    return previous;
}

COLORREF GetBkColor(HDC hdc) {
    auto dc = FindDC(hdc);
    return dc ? dc->bkColor : CLR_INVALID;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    auto dc = FindDC(hdc);
    if (!dc) {
        return CLR_INVALID;
    }
    COLORREF previous = dc->textColor;
    dc->textColor = color & 0xFFFFFF;
    return previous;
}

COLORREF GetTextColor(HDC hdc) {
    auto dc = FindDC(hdc);
    return dc ? dc->textColor : CLR_INVALID;
}

int SetStretchBltMode(HDC hdc, int mode) {
    auto dc = FindDC(hdc);
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE) {
        return 0;
    }
    int previous = dc->stretchMode;
    dc->stretchMode = mode;
    return previous;
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    auto dc = FindDC(hdc);
    if (!dc) {
        return ERROR;
    }
    RECT limit{left + dc->origin.x, top + dc->origin.y, right + dc->origin.x,
               bottom + dc->origin.y};
    if (!dc->clip) {
        const gdi::Surface* target = dc->Target();
        dc->clip = std::vector<RECT>{{0, 0, target->Width(), target->Height()}};
    }
    std::vector<RECT> narrowed;
    for (const RECT& rect : *dc->clip) {
        RECT part;
        if (IntersectRect(&part, &rect, &limit)) {
            narrowed.push_back(part);
        }
    }
    dc->clip = std::move(narrowed);
    if (dc->clip->empty()) {
        return NULLREGION;
    }
    return dc->clip->size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace win
