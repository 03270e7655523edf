// The list view: rows of cells under columns (zero-width columns keep texts
// nobody sees), one selected row, a vertical scroll bar when the rows do
// not fit, the wheel scrolling three rows a notch, and redraw suspension.
#include <algorithm>

#include "platform/ui/control_window.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

namespace {
constexpr int kRowsPerNotch = 3;
}

ListView::ListView(Form& form, const ControlSpec& spec) : Control(form, spec) {
    text_.clear();
}

const char* ListView::ClassName() const {
    return "VerdelListView";
}

void ListView::Invalidate() {
    if (redraw_) {
        Control::Invalidate();
    }
}

void ListView::AddColumn(const std::string& title, int width, Align align) {
    OnFormThread([&] {
        columns_.push_back(Column{title, std::max(0, width), align});
        for (auto& row : rows_) {
            row.resize(columns_.size());
        }
        Invalidate();
    });
}

int ListView::ColumnCount() const {
    return OnFormThread([&] { return int(columns_.size()); });
}

void ListView::DeleteAllRows() {
    OnFormThread([&] {
        rows_.clear();
        selected_ = -1;
        top_ = 0;
        Invalidate();
    });
}

int ListView::AppendRow() {
    return OnFormThread([&] {
        rows_.emplace_back(columns_.size());
        Invalidate();
        return int(rows_.size()) - 1;
    });
}

int ListView::RowCount() const {
    return OnFormThread([&] { return int(rows_.size()); });
}

std::string ListView::Cell(int row, int column) const {
    return OnFormThread([&] {
        if (row < 0 || row >= int(rows_.size()) || column < 0 || column >= int(columns_.size())) {
            return std::string();
        }
        return rows_[std::size_t(row)][std::size_t(column)];
    });
}

void ListView::SetCell(int row, int column, const std::string& text) {
    OnFormThread([&] {
        if (row < 0 || row >= int(rows_.size()) || column < 0 || column >= int(columns_.size())) {
            return;
        }
        rows_[std::size_t(row)][std::size_t(column)] = text;
        Invalidate();
    });
}

int ListView::SelectedRow() const {
    return OnFormThread([&] { return selected_; });
}

void ListView::SelectRow(int row) {
    OnFormThread([&] {
        selected_ = row >= 0 && row < int(rows_.size()) ? row : -1;
        Invalidate();
    });
}

int ListView::TopRow() const {
    return OnFormThread([&] { return top_; });
}

void ListView::ScrollTo(int topRow) {
    OnFormThread([&] {
        top_ = std::clamp(topRow, 0, MaxTopRow());
        Invalidate();
    });
}

void ListView::SetRedraw(bool redraw) {
    OnFormThread([&] {
        redraw_ = redraw;
        Invalidate();
    });
}

void ListView::SetHeaderVisible(bool visible) {
    OnFormThread([&] {
        header_ = visible;
        Invalidate();
    });
}

int ListView::VisibleRows() const {
    RECT client{};
    if (hwnd_) {
        GetClientRect(hwnd_, &client);
    } else {
        client = RECT{0, 0, place_.right - place_.left, place_.bottom - place_.top};
    }
    int height = client.bottom - 2 - (header_ ? kHeaderHeight : 0);
    return std::max(1, height / kRowHeight);
}

int ListView::MaxTopRow() const {
    return std::max(0, int(rows_.size()) - VisibleRows());
}

bool ListView::HasScrollBar() const {
    return int(rows_.size()) > VisibleRows();
}

void ListView::Paint(Painter& painter) {
    RECT whole = painter.Whole();
    painter.Fill(whole, look::kWindow);
    int right = whole.right - 1 - (HasScrollBar() ? kScrollWidth : 0);
    int y = 1;
    auto columnsAcross = [&](auto&& draw) {
        int x = 1;
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            int width = columns_[c].width;
            if (width > 0 && x < right) {
                draw(c, RECT{x, 0, std::min(x + width, right), 0});
            }
            x += width;
        }
    };
    if (header_) {
        painter.Fill(RECT{1, 1, right, 1 + kHeaderHeight}, look::kHeader);
        columnsAcross([&](std::size_t c, RECT cell) {
            cell.top = 1;
            cell.bottom = 1 + kHeaderHeight;
            painter.Fill(RECT{cell.right - 1, cell.top + 3, cell.right, cell.bottom - 3},
                         look::kGrid);
            cell.left += 4;
            cell.right -= 4;
            painter.Text(cell, columns_[c].title, look::kText, TextAlign::Left);
        });
        painter.Fill(RECT{1, kHeaderHeight, right, kHeaderHeight + 1}, look::kGrid);
        y += kHeaderHeight;
    }
    int shown = VisibleRows() + 1;
    for (int r = top_; r < int(rows_.size()) && r < top_ + shown; ++r, y += kRowHeight) {
        bool selected = r == selected_;
        if (selected) {
            painter.Fill(RECT{1, y, right, y + kRowHeight}, look::kSelection);
        }
        const auto& row = rows_[std::size_t(r)];
        columnsAcross([&](std::size_t c, RECT cell) {
            cell.top = y;
            cell.bottom = y + kRowHeight;
            cell.left += 2;
            cell.right -= 2;
            Align align = columns_[c].align;
            painter.Text(cell, row[c], selected ? look::kSelectionText : textColor_,
                         align == Align::Center  ? TextAlign::Center
                         : align == Align::Right ? TextAlign::Right
                                                 : TextAlign::Left);
        });
    }
    if (HasScrollBar()) {
        RECT track{right, 1, whole.right - 1, whole.bottom - 1};
        painter.Fill(track, look::kScrollTrack);
        int trackHeight = track.bottom - track.top;
        int total = int(rows_.size());
        int thumbHeight = std::max(16, trackHeight * VisibleRows() / std::max(1, total));
        int room = trackHeight - thumbHeight;
        int thumbTop = track.top + (MaxTopRow() > 0 ? room * top_ / MaxTopRow() : 0);
        painter.Fill(RECT{track.left + 2, thumbTop, track.right - 2, thumbTop + thumbHeight},
                     look::kScrollThumb);
    }
    painter.Frame(whole, look::kBorder);
}

void ListView::Press(int x, int y) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (HasScrollBar() && x >= client.right - 1 - kScrollWidth) {
        // The track: a page up or down from the thumb's side.
        int trackHeight = client.bottom - 2;
        int total = int(rows_.size());
        int thumbHeight = std::max(16, trackHeight * VisibleRows() / std::max(1, total));
        int thumbTop = 1 + (MaxTopRow() > 0 ? (trackHeight - thumbHeight) * top_ / MaxTopRow() : 0);
        if (y < thumbTop) {
            top_ = std::max(0, top_ - VisibleRows());
        } else if (y >= thumbTop + thumbHeight) {
            top_ = std::min(MaxTopRow(), top_ + VisibleRows());
        }
        Invalidate();
        return;
    }
    int firstRowY = 1 + (header_ ? kHeaderHeight : 0);
    int row = y >= firstRowY ? top_ + (y - firstRowY) / kRowHeight : -1;
    selected_ = row >= 0 && row < int(rows_.size()) ? row : -1;
    Invalidate();
    if (LeftClicked) {
        LeftClicked();
    }
}

std::optional<LRESULT> ListView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN: {
            SetFocus(hwnd_);
            POINT at = PointOf(lParam);
            Press(at.x, at.y);
            return std::nullopt;  // the common press handling follows
        }
        case WM_MOUSEWHEEL: {
            if (WheelTurned) {
                return std::nullopt;
            }
            wheelRemainder_ += GET_WHEEL_DELTA_WPARAM(wParam);
            int notches = wheelRemainder_ / WHEEL_DELTA;
            wheelRemainder_ -= notches * WHEEL_DELTA;
            top_ = std::clamp(top_ - notches * kRowsPerNotch, 0, MaxTopRow());
            Invalidate();
            return 0;
        }
        case WM_KEYDOWN: {
            UINT key = UINT(wParam);
            if ((key == VK_DOWN || key == VK_UP) && !rows_.empty()) {
                selected_ =
                    std::clamp(selected_ + (key == VK_DOWN ? 1 : -1), 0, int(rows_.size()) - 1);
                if (selected_ < top_) {
                    top_ = selected_;
                } else if (selected_ >= top_ + VisibleRows()) {
                    top_ = selected_ - VisibleRows() + 1;
                }
                Invalidate();
            }
            return 0;
        }
        case WM_SETREDRAW:
            redraw_ = wParam != 0;
            Invalidate();
            return 0;
        default:
            return std::nullopt;
    }
}

std::unique_ptr<Control> ListView::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<ListView>(form, spec);
    copy->columns_ = columns_;
    copy->rows_ = rows_;
    copy->header_ = header_;
    copy->LeftClicked = LeftClicked;
    return copy;
}

}  // namespace ui
