// main() for test executables: GoogleTest plus the QCoreApplication Qt SQL needs to load its
// driver plugins.

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
