#pragma once
// The window tests' QApplication, made by their main().

#include <QApplication>

namespace testing_support {

inline QApplication& guiApp() { return *static_cast<QApplication*>(QCoreApplication::instance()); }

}  // namespace testing_support
