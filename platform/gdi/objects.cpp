// The handle table, stock objects, brushes, fonts, bitmaps and system colours.
#include <cairo.h>

#include <array>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/gdi/gdi_internal.h"

namespace gdi::detail {
namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<win::HGDIOBJ, std::shared_ptr<Object>> objects;
};

Table& Objects() {
    static Table* table = new Table;  // lives until exit: stock handles stay valid
    return *table;
}

constexpr int kStockCount = 18;

}  // namespace

win::HGDIOBJ Register(std::shared_ptr<Object> object) {
    win::HGDIOBJ handle = object.get();
    auto& table = Objects();
    std::lock_guard lock(table.mutex);
    table.objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<Object> Find(win::HGDIOBJ handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    auto& table = Objects();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(handle);
    return it == table.objects.end() ? nullptr : it->second;
}

bool Unregister(win::HGDIOBJ handle) {
    auto& table = Objects();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(handle);
    if (it == table.objects.end()) {
        return false;
    }
    if (!it->second->stock) {
        table.objects.erase(it);
    }
    return true;
}

win::LOGFONTA DefaultGuiFont() {
    win::LOGFONTA font{};
    font.lfHeight = -12;
    font.lfWeight = win::FW_NORMAL;
    font.lfCharSet = win::GB2312_CHARSET;
    std::strcpy(font.lfFaceName, "宋体");
    return font;
}

std::shared_ptr<Object> Stock(int which, win::HGDIOBJ* handle) {
    static const auto stock = [] {
        std::array<std::pair<std::shared_ptr<Object>, win::HGDIOBJ>, kStockCount> made{};
        auto add = [&made](int index, std::shared_ptr<Object> object) {
            object->stock = true;
            made[index] = {object, Register(object)};
        };
        add(win::WHITE_BRUSH, std::make_shared<Brush>(win::RGB(255, 255, 255), false));
        add(win::LTGRAY_BRUSH, std::make_shared<Brush>(win::RGB(192, 192, 192), false));
        add(win::GRAY_BRUSH, std::make_shared<Brush>(win::RGB(128, 128, 128), false));
        add(win::DKGRAY_BRUSH, std::make_shared<Brush>(win::RGB(64, 64, 64), false));
        add(win::BLACK_BRUSH, std::make_shared<Brush>(win::RGB(0, 0, 0), false));
        add(win::NULL_BRUSH, std::make_shared<Brush>(0, true));
        add(win::WHITE_PEN, std::make_shared<Pen>(win::RGB(255, 255, 255), false));
        add(win::BLACK_PEN, std::make_shared<Pen>(win::RGB(0, 0, 0), false));
        add(win::NULL_PEN, std::make_shared<Pen>(0, true));
        add(win::SYSTEM_FONT, std::make_shared<Font>(DefaultGuiFont()));
        add(win::DEFAULT_GUI_FONT, std::make_shared<Font>(DefaultGuiFont()));
        // Number 9 (not a Windows stock number) holds the 1 x 1 bitmap of a
        // fresh memory DC.
        auto bitmap = std::make_shared<Bitmap>();
        bitmap->surface = Surface::Create(1, 1);
        add(9, bitmap);
        return made;
    }();
    if (which < 0 || which >= kStockCount || !stock[which].first) {
        return nullptr;
    }
    if (handle) {
        *handle = stock[which].second;
    }
    return stock[which].first;
}

void Bitmap::BitsToSurface() {
    if (!bottomUpBits) {
        return;
    }
    const int stride = surface->Stride();
    const int height = surface->Height();
    for (int row = 0; row < height; ++row) {
        std::memcpy(surface->Data() + static_cast<std::size_t>(row) * stride,
                    bottomUpBits.get() + static_cast<std::size_t>(height - 1 - row) * stride,
                    stride);
    }
    surface->MarkDirty();
}

void Bitmap::SurfaceToBits() {
    if (!bottomUpBits) {
        return;
    }
    surface->Flush();
    const int stride = surface->Stride();
    const int height = surface->Height();
    for (int row = 0; row < height; ++row) {
        std::memcpy(bottomUpBits.get() + static_cast<std::size_t>(height - 1 - row) * stride,
                    surface->Data() + static_cast<std::size_t>(row) * stride, stride);
    }
}

}  // namespace gdi::detail

namespace win {

using namespace gdi::detail;

HGDIOBJ GetStockObject(int which) {
    HGDIOBJ handle = nullptr;
    if (which == 9) {  // the internal default bitmap has no public number
        return nullptr;
    }
    Stock(which, &handle);
    return handle;
}

BOOL DeleteObject(HGDIOBJ object) {
    return Unregister(object) ? TRUE : FALSE;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return static_cast<HBRUSH>(Register(std::make_shared<Brush>(color & 0xFFFFFF, false)));
}

DWORD GetSysColor(int index) {
    static constexpr std::array<COLORREF, 31> colors = {
        RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219),
        RGB(240, 240, 240), RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),
        RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(180, 180, 180), RGB(244, 247, 252),
        RGB(171, 171, 171), RGB(51, 153, 255),  RGB(255, 255, 255), RGB(240, 240, 240),
        RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(67, 78, 84),
        RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),
        RGB(255, 255, 225), RGB(181, 181, 181), RGB(0, 102, 204),   RGB(185, 209, 234),
        RGB(215, 228, 242), RGB(51, 153, 255),  RGB(240, 240, 240)};
    if (index < 0 || index >= static_cast<int>(colors.size())) {
        return 0;
    }
    return colors[index];
}

HBRUSH GetSysColorBrush(int index) {
    static const auto brushes = [] {
        std::array<HGDIOBJ, 31> made{};
        for (int i = 0; i < 31; ++i) {
            auto brush = std::make_shared<Brush>(GetSysColor(i), false);
            brush->stock = true;
            made[i] = Register(brush);
        }
        return made;
    }();
    if (index < 0 || index >= 31) {
        return nullptr;
    }
    return static_cast<HBRUSH>(brushes[index]);
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
    if (font == nullptr) {
        return nullptr;
    }
    LOGFONTA copy = *font;
    copy.lfFaceName[LF_FACESIZE - 1] = '\0';
    return static_cast<HFONT>(Register(std::make_shared<Font>(copy)));
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* faceName) {
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfWidth = width;
    font.lfEscapement = escapement;
    font.lfOrientation = orientation;
    font.lfWeight = weight;
    font.lfItalic = static_cast<BYTE>(italic);
    font.lfUnderline = static_cast<BYTE>(underline);
    font.lfStrikeOut = static_cast<BYTE>(strikeOut);
    font.lfCharSet = static_cast<BYTE>(charSet);
    font.lfOutPrecision = static_cast<BYTE>(outPrecision);
    font.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    font.lfQuality = static_cast<BYTE>(quality);
    font.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) {
        std::strncpy(font.lfFaceName, faceName, LF_FACESIZE - 1);
    }
    return CreateFontIndirectA(&font);
}

namespace {

std::shared_ptr<Bitmap> MakeBitmap(int width, int height) {
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->surface = gdi::Surface::Create(width, height);
    return bitmap;
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
        return nullptr;
    }
    auto bitmap = MakeBitmap(width, height);
    cairo_t* cr = cairo_create(bitmap->surface->Cairo());
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    return static_cast<HBITMAP>(Register(bitmap));
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD) {
    if (bits) {
        *bits = nullptr;
    }
    if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr) {
        return nullptr;
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (header.biBitCount != 32 || header.biCompression != BI_RGB || header.biWidth <= 0 ||
        header.biWidth > 32767 || height <= 0 || height > 32767) {
        return nullptr;
    }
    auto bitmap = MakeBitmap(header.biWidth, height);
    if (header.biHeight > 0) {
        const auto size = static_cast<std::size_t>(bitmap->surface->Stride()) * height;
        bitmap->bottomUpBits.reset(new std::uint8_t[size]());
        bitmap->bits = bitmap->bottomUpBits.get();
    } else {
        bitmap->bits = bitmap->surface->Data();
    }
    if (bits) {
        *bits = bitmap->bits;
    }
    return static_cast<HBITMAP>(Register(bitmap));
}

int GetObjectA(HGDIOBJ handle, int size, void* buffer) {
    auto object = Find(handle);
    if (!object) {
        return 0;
    }
    auto give = [&](const auto& value) {
        constexpr int needed = sizeof(value);
        if (buffer == nullptr) {
            return needed;
        }
        if (size < needed) {
            return 0;
        }
        std::memcpy(buffer, &value, needed);
        return needed;
    };
    switch (object->kind) {
        case ObjectKind::Bitmap: {
            const auto& bitmap = static_cast<const Bitmap&>(*object);
            BITMAP info{};
            info.bmWidth = bitmap.surface->Width();
            info.bmHeight = bitmap.surface->Height();
            info.bmWidthBytes = bitmap.surface->Stride();
            info.bmPlanes = 1;
            info.bmBitsPixel = 32;
            info.bmBits = bitmap.bits;
            return give(info);
        }
        case ObjectKind::Font:
            return give(static_cast<const Font&>(*object).log);
        case ObjectKind::Brush: {
            const auto& brush = static_cast<const Brush&>(*object);
            LOGBRUSH info{brush.hollow ? BS_NULL : BS_SOLID, brush.color, 0};
            return give(info);
        }
        case ObjectKind::Pen:
            return 0;
    }
    return 0;
}

}  // namespace win
