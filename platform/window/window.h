#pragma once
// The windowing services: windows, classes, procedures, messages, relations,
// positions and z-order, focus, capture, input, invalidation and painting.
//
// Windows belong to the thread that created them and their procedures run
// there. Calls from other threads that read or change window state are
// safe; messages sent from another thread run on the owner's thread while
// it retrieves or waits for messages, and the sender blocks meanwhile.
//
// Window longs are pointer-sized (the program stores procedures in them).
#include <string>

#include "platform/window/window_types.h"

namespace win {

// Classes and windows.
ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);
BOOL UnregisterClassA(const char* className, HINSTANCE instance);
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void* param);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
int GetClassNameA(HWND window, char* buffer, int bufferSize);

// Procedures and messages.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongA(HWND window, int index);
DWORD GetWindowThreadProcessId(HWND window, DWORD* processId);

// Properties.
BOOL SetPropA(HWND window, const char* name, HANDLE value);
HANDLE GetPropA(HWND window, const char* name);
HANDLE RemovePropA(HWND window, const char* name);

// Texts.
BOOL SetWindowTextA(HWND window, const char* text);
int GetWindowTextA(HWND window, char* buffer, int bufferSize);
int GetWindowTextLengthA(HWND window);

// Relations.
HWND GetParent(HWND window);
HWND SetParent(HWND child, HWND newParent);
HWND GetWindow(HWND window, UINT relation);
constexpr UINT GA_PARENT = 1;
constexpr UINT GA_ROOT = 2;
HWND GetAncestor(HWND window, UINT flags);
BOOL IsChild(HWND parent, HWND window);
// Children of parent (top-level windows when parent is null) after
// childAfter, matched by class and title (null matches any).
HWND FindWindowExA(HWND parent, HWND childAfter, const char* className, const char* windowName);
HWND FindWindowA(const char* className, const char* windowName);

// Visibility and state.
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
BOOL IsIconic(HWND window);

// Positions, sizes and z-order.
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL BringWindowToTop(HWND window);
HWND WindowFromPoint(POINT point);
int GetSystemMetrics(int index);

// Activation and focus.
BOOL SetForegroundWindow(HWND window);
HWND GetForegroundWindow();
HWND GetActiveWindow();
HWND SetActiveWindow(HWND window);
HWND SetFocus(HWND window);
HWND GetFocus();

// Mouse.
HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);
// Raises (TRUE) or lowers the cursor display count; the cursor shows while
// the count is 0 or above. Returns the new count.
int ShowCursor(BOOL show);
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);
short GetKeyState(int virtualKey);

// Timers: SetTimer with a window returns 1; without one, the timer's id.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC proc);
BOOL KillTimer(HWND window, UINT_PTR id);

// Invalidation and painting. A null rectangle means the whole client area.
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);
BOOL GetUpdateRect(HWND window, RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND window);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

// Device contexts of windows (drawing calls are the graphics layer's).
// GetDC covers the client area, GetWindowDC the whole window; with no
// window both give a memory DC to make compatible DCs from.
HDC GetDC(HWND window);
HDC GetWindowDC(HWND window);
int ReleaseDC(HWND window, HDC dc);

// Layered windows: UpdateLayeredWindow keeps a copy of the source DC's
// pixels (premultiplied when ULW_ALPHA with AC_SRC_ALPHA, else opaque).
BOOL UpdateLayeredWindow(HWND window, HDC screenDC, const POINT* position, const SIZE* size,
                         HDC sourceDC, const POINT* sourcePoint, COLORREF colorKey,
                         const BLENDFUNCTION* blend, DWORD flags);
BOOL SetLayeredWindowAttributes(HWND window, COLORREF colorKey, BYTE alpha, DWORD flags);

}  // namespace win
