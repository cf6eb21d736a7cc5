// morfel-studio: the live editor and preview of Morfel programs.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "studio/studio.h"

namespace {

// A screenshot needs no screen: without a display the window is drawn
// offscreen.
void DrawOffscreenWithoutDisplay(int argc, char** argv) {
  if (std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr ||
      std::getenv("QT_QPA_PLATFORM") != nullptr) {
    return;
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  DrawOffscreenWithoutDisplay(argc, argv);
  QApplication application(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setApplicationName(QStringLiteral("Morfel Studio"));
  QApplication::setOrganizationName(QStringLiteral("Morfel"));
  StudioOptions options;
  QString error;
  const QStringList arguments = QApplication::arguments();
  if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
    std::printf("%s", StudioUsage().toLocal8Bit().constData());
    return 0;
  }
  if (!ParseStudioArguments(arguments, &options, &error)) {
    std::fprintf(stderr, "morfel-studio: %s\n%s", error.toLocal8Bit().constData(),
                 StudioUsage().toLocal8Bit().constData());
    return 2;
  }
  return RunStudio(options);
}
