// Dialog units: template coordinates scaled by the dialog font, so that a
// layout keeps its proportions whatever font the system substitutes.
#pragma once

#include <string>

#include <QFont>
#include <QRect>

class QFontMetrics;

namespace dialogkit {

// Average character width and character height of a font, in pixels.
// One horizontal dialog unit is cx / 4 pixels, one vertical unit cy / 8.
struct BaseUnits {
    int cx;
    int cy;
};

// The width is averaged over the 52 Latin letters and rounded, as the
// Windows dialog manager does, so layouts made there keep their proportions.
BaseUnits BaseUnitsOf(const QFontMetrics& metrics);

// number * numerator / denominator, rounded half away from zero.
int MulDiv(int number, int numerator, int denominator);

// Pixels of a rectangle given in dialog units.
QRect MapDialogRect(BaseUnits units, int x, int y, int cx, int cy);

// The font a template asks for. Japanese Windows faces are not on Linux:
// fontconfig would pick a Latin face and leave Japanese to per-glyph fallback,
// so the first call registers Japanese substitutes for them.
QFont DialogFont(const std::string& face, int pointSize);

}  // namespace dialogkit
