// The one QApplication of a test program, made when the tests start and not
// when they are only listed (the build lists them, maybe without a display).
// Register it once per program with KAV_QT_TEST_APPLICATION.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

class QtAppEnvironment : public ::testing::Environment {
public:
    // Tests that draw with OpenGL need a real display; the others fall back to
    // the offscreen platform when there is none.
    explicit QtAppEnvironment(bool needsDisplay) : needsDisplay_(needsDisplay) {}
    void SetUp() override {
        if (!needsDisplay_ && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char arg0[] = "kavelin-test";
        static char* argv[] = {arg0, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    bool needsDisplay_;
    QApplication* app_ = nullptr;
};

#define KAV_QT_TEST_APPLICATION(needsDisplay) \
    inline const auto* const kQtTestApplication = \
        ::testing::AddGlobalTestEnvironment(new QtAppEnvironment(needsDisplay))
