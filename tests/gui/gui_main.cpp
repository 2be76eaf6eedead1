// Test program of the desktop window: one QApplication for every test, on
// the offscreen platform unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>

#include "gui/engine_setup.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    halvoran::PrepareWebEngine();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
