#include "dialogkit/qt/DialogFont.h"

#include <QFontMetrics>
#include <QStringList>

namespace dialogkit {

BaseUnits BaseUnitsOf(const QFontMetrics& metrics) {
    static const QString kLetters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const int width = metrics.horizontalAdvance(kLetters);
    return BaseUnits{(width / 26 + 1) / 2, metrics.height()};
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
