#include "dialogkit/DialogUnits.h"

#include <cstdlib>

namespace dialogkit {

int MulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = std::llabs(denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const long long magnitude = (std::llabs(product) + half) / std::llabs(denominator);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

Rect MapDialogRect(BaseUnits units, int x, int y, int cx, int cy) {
    return Rect{MulDiv(x, units.cx, 4), MulDiv(y, units.cy, 8), MulDiv(cx, units.cx, 4), MulDiv(cy, units.cy, 8)};
}

}  // namespace dialogkit
