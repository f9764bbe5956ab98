#pragma once
// The two password boxes of the main and the schedule window: usable in the
// window background, or disabled in the grey of scroll bars.

#include <initializer_list>

class QLineEdit;

namespace ui {

void ShowPasswordBoxesUsable(std::initializer_list<QLineEdit*> boxes, bool usable);

}  // namespace ui
