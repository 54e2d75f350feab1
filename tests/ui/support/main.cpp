// Test main for the widget tests: one QApplication for the whole run.
#include "ui/application.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    TSigApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
