// The HTML view: an address, and the inner window of class
// "Internet Explorer_Server" that the content and its plug-ins live in.
#include "platform/ui/browser.h"
#include "platform/ui/control_window.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

namespace {

constexpr const char* kContentClass = "Internet Explorer_Server";

LRESULT ContentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    if (message == WM_PAINT) {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        RECT client{};
        GetClientRect(window, &client);
        {
            Painter painter(dc, client.right, client.bottom);
            painter.Fill(painter.Whole(), look::kWindow);
        }
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void EnsureContentClass() {
    static bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &ContentProc;
        windowClass.lpszClassName = kContentClass;
        return RegisterClassExA(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

const char* HtmlView::ClassName() const {
    return "Shell Embedding";
}

void HtmlView::CreateWindowIn(HWND parent) {
    Control::CreateWindowIn(parent);
    if (!hwnd_) {
        return;
    }
    EnsureContentClass();
    RECT client{};
    GetClientRect(hwnd_, &client);
    content_ = CreateWindowExA(0, kContentClass, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                               client.bottom, hwnd_, nullptr, nullptr, nullptr);
}

std::string HtmlView::Address() const {
    return OnFormThread([&] { return address_; });
}

void HtmlView::SetAddress(const std::string& address) {
    OnFormThread([&] {
        address_ = address;
        if (AddressChanged) {
            AddressChanged();
        }
    });
}

HWND HtmlView::ContentWindow() const {
    return OnFormThread([&] { return content_ && IsWindow(content_) ? content_ : nullptr; });
}

bool HtmlView::RequestNewWindow(const std::string& address) {
    return OnFormThread([&] {
        bool allowed = !NewWindowRequested || NewWindowRequested(address);
        if (allowed) {
            OpenAddress(address);
        }
        return allowed;
    });
}

void HtmlView::Paint(Painter& painter) {
    painter.Fill(painter.Whole(), look::kWindow);
}

std::optional<LRESULT> HtmlView::Handle(UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_SIZE && content_) {
        MoveWindow(content_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    }
    return std::nullopt;
}

std::unique_ptr<Control> HtmlView::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<HtmlView>(form, spec);
    copy->address_ = address_;
    copy->NewWindowRequested = NewWindowRequested;
    copy->AddressChanged = AddressChanged;
    return copy;
}

}  // namespace ui
