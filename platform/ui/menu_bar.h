#pragma once
// Inside the control set: the menu bar strip of a form and its pop-ups.
#include "platform/window/window_types.h"

namespace ui {

class Form;
class MenuItem;

// Creates the strip along the top of the form's client area.
win::HWND CreateMenuBar(Form& form);
void ResizeMenuBar(win::HWND bar, int width);
// The pop-up of a menu item that is open now, if any.
win::HWND OpenMenuPopup();
// The title whose pop-up is open now, if any.
const MenuItem* OpenMenuTitle();

}  // namespace ui

namespace ui {
// Where an entry shows now on screen: a title of the bar always, an entry
// of a pop-up while its pop-up is open. False otherwise.
bool MenuItemScreenRect(const MenuItem& item, win::RECT* rect);
}  // namespace ui
