#include "win32/ShellIcons.h"

namespace win32 {

HICON ShellIcon(SHSTOCKICONID stock, int shell32Resource, bool small) {
    SHSTOCKICONINFO info{};
    info.cbSize = sizeof(info);
    if (SUCCEEDED(SHGetStockIconInfo(stock, SHGSI_ICON | (small ? SHGSI_SMALLICON : SHGSI_LARGEICON), &info)) &&
        info.hIcon) {
        return info.hIcon;
    }
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    if (!shell) return nullptr;
    const int size = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
    return static_cast<HICON>(LoadImageW(shell, MAKEINTRESOURCEW(shell32Resource), IMAGE_ICON, size, size, 0));
}

}  // namespace win32
