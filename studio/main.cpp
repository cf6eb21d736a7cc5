// morfel-studio: the live editor and preview of Morfel programs.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "studio/studio.h"

namespace {

bool HasArgument(int argc, char** argv, const char* wanted) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], wanted) == 0) return true;
  }
  return false;
}

bool HasDisplay() {
  return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr ||
         std::getenv("QT_QPA_PLATFORM") != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (HasArgument(argc, argv, "--help") || HasArgument(argc, argv, "-h")) {
    std::printf("%s", StudioUsage().toLocal8Bit().constData());
    return 0;
  }
  if (!HasDisplay()) {
    // A screenshot needs no screen: it is drawn offscreen.
    if (!HasArgument(argc, argv, "--screenshot")) {
      std::fprintf(stderr,
                   "morfel-studio: no display to open a window on (DISPLAY is not set); "
                   "--screenshot works without one\n");
      return 1;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication application(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setApplicationName(QStringLiteral("Morfel Studio"));
  QApplication::setOrganizationName(QStringLiteral("Morfel"));
  StudioOptions options;
  QString error;
  if (!ParseStudioArguments(QApplication::arguments(), &options, &error)) {
    std::fprintf(stderr, "morfel-studio: %s\n%s", error.toLocal8Bit().constData(),
                 StudioUsage().toLocal8Bit().constData());
    return 2;
  }
  return RunStudio(options);
}
