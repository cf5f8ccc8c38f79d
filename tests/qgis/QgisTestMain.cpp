#include <qgsapplication.h>

#include <QStandardPaths>

#include <gtest/gtest.h>

// QGIS's own application, headless unless a display is there, with its
// providers (memory layers) loaded.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // Nothing of the user's own data folders: test mode moves them aside.
    QStandardPaths::setTestModeEnabled(true);
    QgsApplication app(argc, argv, true);
    QgsApplication::initQgis();
    const int result = RUN_ALL_TESTS();
    QgsApplication::exitQgis();
    return result;
}
