#include "dialogkit/WinApp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "dialogkit/ResourceModule.h"

namespace dialogkit {

namespace {

// The words of the file chooser that Qt's Japanese catalogue lacks: the
// type column's name for a folder and for a drive.
class ChooserWords : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* /*disambiguation*/,
                      int /*n*/) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return QString();
        if (qstrcmp(source, "Folder") == 0) return QStringLiteral("フォルダー");
        if (qstrcmp(source, "Drive") == 0) return QStringLiteral("ドライブ");
        return QString();
    }
};

}  // namespace

int RunApp(WinApp& app, const ResourceModule& resources, int argc, char** argv) {
    // The program takes no arguments: Qt sees only the program's name, so
    // that options such as -platform or -reverse given to it change nothing.
    char name[] = "Cor2Tavik";
    char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : name, nullptr};
    int qtArgc = 1;
    QApplication qtApp(qtArgc, qtArgv);
    // Qt's own dialogs (the file chooser) in the user's language, when the
    // translations are installed.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        qtApp.installTranslator(&qtTranslator);
    ChooserWords chooserWords;
    if (QLocale::system().language() == QLocale::Japanese) qtApp.installTranslator(&chooserWords);
    UseResources(resources);
    if (!app.InitInstance()) return 0;
    return QApplication::exec();
}

}  // namespace dialogkit
