#include "dialogkit/WinApp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "dialogkit/ResourceModule.h"

namespace dialogkit {

int RunApp(WinApp& app, const ResourceModule& resources, int argc, char** argv) {
    QApplication qtApp(argc, argv);
    // Qt's own dialogs (the file chooser) in the user's language, when the
    // translations are installed.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        qtApp.installTranslator(&qtTranslator);
    UseResources(resources);
    if (!app.InitInstance()) return 0;
    return QApplication::exec();
}

}  // namespace dialogkit
