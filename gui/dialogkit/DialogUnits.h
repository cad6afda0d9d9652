// Dialog units: template coordinates scaled by the dialog font, so that a
// layout keeps its proportions whatever font the system substitutes.
#pragma once

namespace dialogkit {

// Average character width and character height of a font, in pixels.
// One horizontal dialog unit is cx / 4 pixels, one vertical unit cy / 8.
struct BaseUnits {
    int cx;
    int cy;
};

struct Point {
    int x;
    int y;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx;
    int cy;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int x, y, cx, cy;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// number * numerator / denominator, rounded half away from zero.
int MulDiv(int number, int numerator, int denominator);

// Pixels of a rectangle given in dialog units.
Rect MapDialogRect(BaseUnits units, int x, int y, int cx, int cy);

}  // namespace dialogkit
