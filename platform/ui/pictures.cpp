// Picture boxes and canvases: a background picture from PNG or JPEG bytes,
// drawn from the top-left corner over the background colour; and frames,
// containers whose children show only inside them.
#include "platform/ui/control_window.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

const char* PictureBox::ClassName() const {
    return "VerdelPictureBox";
}

bool PictureBox::SetPicture(const std::string& bytes) {
    auto picture = DecodePicture(bytes);
    OnFormThread([&] {
        picture_ = picture ? std::make_shared<const Picture>(std::move(*picture)) : nullptr;
        Invalidate();
    });
    return picture.has_value();
}

void PictureBox::SetPicture(Picture picture) {
    auto shared = std::make_shared<const Picture>(std::move(picture));
    OnFormThread([&] {
        picture_ = shared;
        Invalidate();
    });
}

void PictureBox::ClearPicture() {
    OnFormThread([&] {
        picture_.reset();
        Invalidate();
    });
}

bool PictureBox::HasPicture() const {
    return OnFormThread([&] { return picture_ != nullptr; });
}

int PictureBox::PictureWidth() const {
    return OnFormThread([&] { return picture_ ? picture_->width : 0; });
}

int PictureBox::PictureHeight() const {
    return OnFormThread([&] { return picture_ ? picture_->height : 0; });
}

COLORREF PictureBox::BackColor() const {
    return OnFormThread([&] { return back_; });
}

void PictureBox::SetBackColor(COLORREF color) {
    OnFormThread([&] {
        back_ = color;
        Invalidate();
    });
}

void PictureBox::Paint(Painter& painter) {
    painter.Fill(painter.Whole(), back_);
    if (picture_) {
        painter.DrawPicture(*picture_, 0, 0);
    }
}

std::optional<LRESULT> PictureBox::Handle(UINT, WPARAM, LPARAM) {
    return std::nullopt;
}

std::unique_ptr<Control> PictureBox::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<PictureBox>(form, spec);
    copy->picture_ = picture_;
    copy->back_ = back_;
    return copy;
}

const char* Canvas::ClassName() const {
    return "VerdelCanvas";
}

std::unique_ptr<Control> Canvas::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<Canvas>(form, spec);
    copy->picture_ = picture_;
    copy->back_ = back_;
    return copy;
}

const char* Frame::ClassName() const {
    return "VerdelFrame";
}

DWORD Frame::Style() const {
    return WS_CHILD | WS_CLIPSIBLINGS;
}

bool Frame::Border() const {
    return OnFormThread([&] { return border_; });
}

void Frame::SetBorder(bool border) {
    OnFormThread([&] {
        border_ = border;
        Invalidate();
    });
}

void Frame::Paint(Painter& painter) {
    painter.Fill(painter.Whole(), look::kFace);
    if (border_) {
        painter.Frame(painter.Whole(), look::kBorder);
    }
}

std::unique_ptr<Control> Frame::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<Frame>(form, spec);
    copy->border_ = border_;
    return copy;
}

}  // namespace ui
