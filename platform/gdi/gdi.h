#pragma once
// Device contexts, bitmaps, brushes, fonts, blits, fills and text.
//
// A device context draws either into a bitmap selected into it (memory DCs
// from CreateCompatibleDC) or into a window's surface (see surface.h). Every
// pixel is 32-bit BGRA with premultiplied alpha. Fills, blits and text write
// opaque pixels; a new DIB section starts all zero (transparent black), a new
// compatible bitmap opaque black.
//
// Texts are GBK; they are laid out with Pango in the CJK font that the setup
// script installs, whatever face the program asks for being tried first.
#include "platform/gdi/gdi_types.h"

namespace win {

// Stock objects (GetStockObject). Stock objects are never deleted.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Raster operations of BitBlt and StretchBlt.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// StretchBlt modes: the first three drop pixels, HALFTONE averages them.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

// DrawTextA formats.
constexpr UINT DT_TOP = 0x0;
constexpr UINT DT_LEFT = 0x0;
constexpr UINT DT_CENTER = 0x1;
constexpr UINT DT_RIGHT = 0x2;
constexpr UINT DT_VCENTER = 0x4;
constexpr UINT DT_BOTTOM = 0x8;
constexpr UINT DT_WORDBREAK = 0x10;
constexpr UINT DT_SINGLELINE = 0x20;
constexpr UINT DT_EXPANDTABS = 0x40;
constexpr UINT DT_NOCLIP = 0x100;
constexpr UINT DT_CALCRECT = 0x400;
constexpr UINT DT_NOPREFIX = 0x800;
constexpr UINT DT_EDITCONTROL = 0x2000;
constexpr UINT DT_END_ELLIPSIS = 0x8000;

// System colours (GetSysColor, GetSysColorBrush, and brush values
// colour + 1 in FillRect).
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_MENUHILIGHT = 29;
constexpr int COLOR_MENUBAR = 30;

// Bitmap formats.
constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // positive: rows stored bottom-up; negative: top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

// Fonts.
constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE GB2312_CHARSET = 134;
constexpr int LF_FACESIZE = 32;

struct LOGFONTA {
    LONG lfHeight;  // pixels; the sign (cell or character height) is not told apart
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];  // GBK
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;

// Clipping results.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

// Device contexts. A memory DC starts with a 1 x 1 stock bitmap selected;
// CreateCompatibleDC accepts any DC or null.
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);

// Bitmaps. Compatible bitmaps are 32-bit colour whatever the DC.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// 32 bits per pixel, BI_RGB only. *bits points at the pixel rows (top-down
// or bottom-up as biHeight says) for as long as the bitmap lives; what is
// written there shows in the next drawing call, and drawing shows there
// when the call returns.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);

// Objects. SelectObject returns the previously selected object of the same
// kind, or null when the handle or DC is invalid (a bitmap cannot be
// selected into a window's DC). An object deleted while selected lives on
// until it is deselected.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int which);
// BITMAP, LOGFONTA or LOGBRUSH; returns the bytes written (the size needed
// when buffer is null), 0 for an invalid handle.
int GetObjectA(HGDIOBJ object, int size, void* buffer);

HBRUSH CreateSolidBrush(COLORREF color);
DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* faceName);
HFONT CreateFontIndirectA(const LOGFONTA* font);

// DC attributes; each setter returns the previous value (0 or CLR_INVALID
// for an invalid DC).
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
// Narrows the DC's clip area to the rectangle (logical coordinates).
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);

// Fills. The brush may be a system colour + 1. FrameRect draws a one-pixel
// border inside the rectangle.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
COLORREF GetPixel(HDC hdc, int x, int y);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);

// Blits. SRCCOPY copies every byte of the pixels, alpha included.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop);

// Text, in the DC's font and text colour; with OPAQUE the text's box is
// first filled with the background colour. count -1 (DrawTextA) means up to
// the terminating NUL. DrawTextA returns the height of the text; with
// DT_CALCRECT it only measures and sets rect's right and bottom.
BOOL TextOutA(HDC hdc, int x, int y, const char* text, int count);
int DrawTextA(HDC hdc, const char* text, int count, RECT* rect, UINT format);
BOOL GetTextExtentPoint32A(HDC hdc, const char* text, int count, SIZE* size);

// Rectangles: right and bottom are exclusive.
BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* rect);
BOOL CopyRect(RECT* dest, const RECT* source);
BOOL OffsetRect(RECT* rect, int dx, int dy);
BOOL InflateRect(RECT* rect, int dx, int dy);
// Both set *dest to the empty rectangle and return FALSE when the result is empty.
BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b);
BOOL IsRectEmpty(const RECT* rect);
BOOL EqualRect(const RECT* a, const RECT* b);
BOOL PtInRect(const RECT* rect, POINT point);

}  // namespace win
