#include "dialogkit/DialogUnits.h"

#include <cstdlib>

#include <QFontMetrics>
#include <QStringList>

namespace dialogkit {

BaseUnits BaseUnitsOf(const QFontMetrics& metrics) {
    static const QString kLetters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const int width = metrics.horizontalAdvance(kLetters);
    return BaseUnits{(width / 26 + 1) / 2, metrics.height()};
}

int MulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = std::llabs(denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const long long magnitude = (std::llabs(product) + half) / std::llabs(denominator);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QRect MapDialogRect(BaseUnits units, int x, int y, int cx, int cy) {
    return QRect(MulDiv(x, units.cx, 4), MulDiv(y, units.cy, 8), MulDiv(cx, units.cx, 4), MulDiv(cy, units.cy, 8));
}

namespace {

void RegisterJapaneseSubstitutes() {
    const QStringList gothic = {QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                                QStringLiteral("VL PGothic"), QStringLiteral("Noto Sans CJK JP"),
                                QStringLiteral("IPAGothic")};
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), gothic);
}

}  // namespace

QFont DialogFont(const std::string& face, int pointSize) {
    static const bool registered = (RegisterJapaneseSubstitutes(), true);
    (void)registered;
    QFont font(QString::fromStdString(face), pointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

}  // namespace dialogkit
