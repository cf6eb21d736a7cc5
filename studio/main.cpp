// morfel-studio: the live editor and preview of Morfel programs.
#include <QApplication>
#include <cstdio>

#include "studio/studio.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
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
