// The test programs above the engine need a QApplication (widgets, screens,
// clipboard, messages). It is made once, before the first test, by a
// GoogleTest environment registered while the program starts; CTest runs the
// tests on the offscreen platform.
#include <QApplication>

#include <gtest/gtest.h>

namespace {

class QtTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[16] = "quillpost_test";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new QtTestEnvironment);

}  // namespace
