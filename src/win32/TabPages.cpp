#include "win32/TabPages.h"

#include <commctrl.h>

#include "platform/win32/WideText.h"

namespace win32 {

TabPages::TabPages(Form& form, int id, Box tabs, Box pages, const std::vector<std::string>& captions)
    : tabs_(form.add(WC_TABCONTROLW, "", WS_TABSTOP | WS_CLIPSIBLINGS, id, tabs)), id_(id) {
    for (std::size_t i = 0; i < captions.size(); ++i) {
        std::wstring caption = platform::wide(captions[i]);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        SendMessageW(tabs_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
        pages_.push_back(form.page(pages));
    }
}

int TabPages::current() const { return static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)); }

void TabPages::show(int index) {
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        if (static_cast<int>(i) != index) ShowWindow(pages_[i], SW_HIDE);
    }
    SetWindowPos(pages_[static_cast<std::size_t>(index)], HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

bool TabPages::changed(LPARAM notification) const {
    const auto* header = reinterpret_cast<const NMHDR*>(notification);
    return header->idFrom == static_cast<UINT_PTR>(id_) && header->code == TCN_SELCHANGE;
}

}  // namespace win32
