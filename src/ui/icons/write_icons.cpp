// Writes the program's icon, as the window draws it, into PNG files for the
// icon theme: write_icons FOLDER SIZE... makes FOLDER/SIZExSIZE/apps/kestrove.png.
// Run at build time, offscreen.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "ui/icon.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: write_icons FOLDER SIZE...\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
    if (size <= 0 || !QDir().mkpath(dir) ||
        !kestrove::ui::ProgramPixmap(size).save(dir + "/kestrove.png", "PNG")) {
      std::fprintf(stderr, "write_icons: cannot write the %s icon in %s\n", argv[i], argv[1]);
      return 1;
    }
  }
  return 0;
}
