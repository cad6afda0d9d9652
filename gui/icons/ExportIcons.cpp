// Writes the icon images as PNG files for the desktop's icon theme:
// ExportIcons <png for 32x32> <png for 16x16>
#include <QImage>

namespace {
#include "cor2tavik-16.xpm"
#include "cor2tavik-32.xpm"
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const bool ok = QImage(cor2tavik_32_xpm).save(QString::fromLocal8Bit(argv[1]), "PNG") &&
                    QImage(cor2tavik_16_xpm).save(QString::fromLocal8Bit(argv[2]), "PNG");
    return ok ? 0 : 1;
}
