// The GUI tests' main: an offscreen application, and a watchdog that closes
// any modal window a failing case left open, so that a case fails instead
// of hanging.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <cstdlib>
#include <cstring>

#include "ui/error_display.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the cases needs no window system at all.
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--no-window") == 0) return RUN_ALL_TESTS();
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  kestrove::ui::KestroveApplication app(argc, argv);
  QTimer watchdog;
  watchdog.setInterval(2000);
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      ADD_FAILURE() << "a modal window was left open: " << modal->objectName().toStdString();
      modal->reject();
    }
  });
  watchdog.start();
  return RUN_ALL_TESTS();
}
