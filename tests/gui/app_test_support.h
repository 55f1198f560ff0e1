#pragma once
// Shared pieces of the main-window tests: a QApplication around GoogleTest, a temporary
// directory per test for the settings file, and control look-up by form name.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>
#include <fstream>
#include <iterator>
#include <string>

// The tests' main(): widgets need a QApplication (offscreen under CTest).
#define BREVINK_GUI_TEST_MAIN()                 \
    int main(int argc, char** argv) {           \
        QApplication app(argc, argv);           \
        ::testing::InitGoogleTest(&argc, argv); \
        return RUN_ALL_TESTS();                 \
    }

namespace brevink::test {

template <class Widget>
Widget* Control(QWidget* window, const char* name) {
    return window->findChild<Widget*>(QString::fromUtf8(name));
}

// A fresh directory per test; settingsPath is "配置.ini" inside it (not created).
class TempSettings {
  public:
    TempSettings() : path_(dir_.filePath(QStringLiteral("配置.ini")).toStdString()) {}
    const std::string& path() const { return path_; }
    std::string dir() const { return dir_.path().toStdString(); }

    std::string Content() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void Write(const std::string& content) const {
        std::ofstream(path_, std::ios::binary) << content;
    }
    bool Exists() const { return std::ifstream(path_).good(); }

  private:
    QTemporaryDir dir_;
    std::string path_;
};

}  // namespace brevink::test
