#include <QApplication>
#include <gtest/gtest.h>

// Every Qt-based test program starts one QApplication (offscreen under ctest)
// before the cases run, as the program itself does before its windows exist.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
