#include <QCoreApplication>
#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // unixODBC converts SQL text for ANSI drivers with the process locale.
    std::setlocale(LC_CTYPE, "");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
