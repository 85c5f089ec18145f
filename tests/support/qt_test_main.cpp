// Runs GoogleTest cases that need a QApplication (widget tests run offscreen).

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS(); // listing needs no display
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
