// main() for tests of widgets: they need one QApplication for the whole run,
// made before any test and destroyed before Qt's own globals. Runs offscreen
// unless told otherwise (test discovery runs the program without ctest's
// environment).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
