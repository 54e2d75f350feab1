// Test main for the widget tests: one QApplication for the whole run.
#include "ui/application.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The recent projects go to settings of this run only, never the user's, and never those of a
    // test program running beside this one.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    TSigApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
