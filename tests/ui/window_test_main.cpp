// Each window test program runs its tests inside one QApplication.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;  // the user's own conf.ini stays out of the tests
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    return testing::InitGoogleTest(&argc, argv), RUN_ALL_TESTS();
}
