// The timer: a window timer of the form's window; period 0 stops it.
#include <atomic>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

namespace {
std::atomic<UINT_PTR> nextId{0x7000};
}

Timer::~Timer() {
    if (created_ && form_.Hwnd() && IsWindow(form_.Hwnd())) {
        KillTimer(form_.Hwnd(), id_);
    }
}

HWND Timer::Hwnd() const {
    return form_.Hwnd();
}

int Timer::Period() const {
    return OnFormThread([&] { return period_; });
}

void Timer::SetPeriod(int milliseconds) {
    OnFormThread([&] {
        period_ = std::max(0, milliseconds);
        Arm();
    });
}

void Timer::CreateWindowIn(HWND) {
    id_ = nextId++;
    created_ = true;
    if (period_ == 0 && !text_.empty()) {
        period_ = std::max(0, std::atoi(text_.c_str()));  // the form text may give the period
    }
    Arm();
}

void Timer::Arm() {
    HWND window = form_.Hwnd();
    if (!created_ || !window) {
        return;
    }
    if (period_ > 0) {
        SetTimer(window, id_, UINT(period_), nullptr);
    } else {
        KillTimer(window, id_);
    }
}

std::unique_ptr<Control> Timer::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<Timer>(form, spec);
    copy->period_ = period_;
    copy->Ticked = Ticked;
    return copy;
}

}  // namespace ui
