// The dialogs need a QApplication: create one before the tests run.
#include <clocale>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "Resources.h"

int main(int argc, char** argv) {
    // Headless unless told otherwise, also when run by hand.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's file chooser keeps its history in the user's configuration: give
    // it a throwaway one.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
    QApplication app(argc, argv);
    // Qt takes the user's locale; system error texts in the expected
    // messages are the untranslated ones.
    setlocale(LC_MESSAGES, "C");
    testing::InitGoogleTest(&argc, argv);
    dialogkit::UseResources(Cor2TavikResources());
    return RUN_ALL_TESTS();
}
