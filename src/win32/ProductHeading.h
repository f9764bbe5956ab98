#pragma once
// The head of the about texts, on the About tab and in the about window
// alike: the product's picture and the product line in a bold font a third
// larger than the window's.

#include <windows.h>

#include "win32/Form.h"

namespace win32 {

class ProductHeading {
public:
    ProductHeading() = default;
    ProductHeading(const ProductHeading&) = delete;
    ProductHeading& operator=(const ProductHeading&) = delete;
    ~ProductHeading();
    // Adds the picture and the line to whatever `form` places into now.
    void addTo(Form& form, Box picture, Box line);

private:
    HICON icon_ = nullptr;
    HFONT font_ = nullptr;
};

}  // namespace win32
