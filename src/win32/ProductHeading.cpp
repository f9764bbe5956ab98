#include "win32/ProductHeading.h"

#include <commctrl.h>

#include "config/Globals.h"
#include "win32/ShellIcons.h"

namespace win32 {

ProductHeading::~ProductHeading() {
    if (icon_) DestroyIcon(icon_);
    if (font_) DeleteObject(font_);
}

void ProductHeading::addTo(Form& form, Box picture, Box line) {
    HWND image = form.add(WC_STATICW, "", SS_ICON, -1, picture);
    // The same fixed drive as the Linux windows show.
    icon_ = ShellIcon(SIID_DRIVEFIXED, kShell32FixedDriveIcon, /*small*/ false);
    SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(icon_ ? icon_ : LoadIconW(nullptr, IDI_APPLICATION)), 0);
    HWND product = form.label(config::kProductLine, line);
    LOGFONTW bold{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(product, WM_GETFONT, 0, 0)), sizeof(bold), &bold);
    bold.lfWeight = FW_BOLD;
    bold.lfHeight = bold.lfHeight * 4 / 3;
    font_ = CreateFontIndirectW(&bold);
    SendMessageW(product, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

}  // namespace win32
