// The Qt font of a dialog template and the dialog units it gives.
#pragma once

#include <string>

#include <QFont>

#include "dialogkit/DialogUnits.h"

class QFontMetrics;

namespace dialogkit {

// The width is averaged over the 52 Latin letters and rounded, as the
// Windows dialog manager does, so layouts made there keep their proportions.
BaseUnits BaseUnitsOf(const QFontMetrics& metrics);

// The font a template asks for. Japanese Windows faces are not on Linux:
// fontconfig would pick a Latin face and leave Japanese to per-glyph fallback,
// so the first call registers Japanese substitutes for them.
QFont DialogFont(const std::string& face, int pointSize);

}  // namespace dialogkit
