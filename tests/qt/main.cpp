// Widget and rendering tests share one application object, made before any test runs.
#include <QApplication>

#include <gtest/gtest.h>

// Under the address sanitizer: the window system's libraries keep what they
// allocate to the end of the process, so only the address checks are of use
// here. Read by the sanitizer's runtime alone; without it nothing calls this.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery lists the tests without the test environment: on a machine
    // without a display the default platform would abort before listing.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
