#include "studio/studio.h"

namespace {

// Takes the value of option name from arguments[*i + 1].
bool TakeValue(const QStringList& arguments, int* i, QString* value, QString* error) {
  if (*i + 1 >= arguments.size()) {
    *error = QStringLiteral("%1 needs a value").arg(arguments[*i]);
    return false;
  }
  *value = arguments[++*i];
  return true;
}

}  // namespace

QString StudioUsage() {
  return QStringLiteral(
      "usage: morfel-studio [--base DIR] [--program GROUP/NAME] [--init TEXT] [--transform TEXT]\n"
      "                     [--trace COLUMN,ROW] [--screenshot FILE] [IMAGE]\n"
      "  --base DIR           the base folder (library, settings, data folder); by default\n"
      "                       $XDG_DATA_HOME/morfel/, else ~/.local/share/morfel/\n"
      "  --program GROUP/NAME the program of the library to choose at the start\n"
      "  --init, --transform  a text to type into that editor at the start\n"
      "  --trace COLUMN,ROW   trace that pixel of the image at the start\n"
      "  --screenshot FILE    once the preview is ready, write a picture of the window to\n"
      "                       FILE (PNG) and quit; with --trace, of the editors and the trace\n");
}

bool ParseStudioArguments(const QStringList& arguments, StudioOptions* options, QString* error) {
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    bool taken = true;
    if (argument == QLatin1String("--base")) {
      taken = TakeValue(arguments, &i, &options->baseFolder, error);
    } else if (argument == QLatin1String("--program")) {
      taken = TakeValue(arguments, &i, &options->programName, error);
      if (taken && !options->programName.contains(QLatin1Char('/'))) {
        *error = QStringLiteral("--program takes GROUP/NAME");
        return false;
      }
    } else if (argument == QLatin1String("--init")) {
      taken = options->typeInit = TakeValue(arguments, &i, &options->initText, error);
    } else if (argument == QLatin1String("--transform")) {
      taken = options->typeTransform = TakeValue(arguments, &i, &options->transformText, error);
    } else if (argument == QLatin1String("--trace")) {
      QString pixel;
      taken = TakeValue(arguments, &i, &pixel, error);
      const QStringList parts = pixel.split(QLatin1Char(','));
      bool columnOk = false;
      bool rowOk = false;
      if (parts.size() == 2) {
        options->traceColumn = parts[0].toInt(&columnOk);
        options->traceRow = parts[1].toInt(&rowOk);
      }
      if (taken && !(columnOk && rowOk)) {
        *error = QStringLiteral("--trace takes COLUMN,ROW");
        return false;
      }
      options->trace = true;
    } else if (argument == QLatin1String("--screenshot")) {
      taken = TakeValue(arguments, &i, &options->screenshotPath, error);
    } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
      *error = QStringLiteral("unknown option %1").arg(argument);
      return false;
    } else if (options->imagePath.isEmpty()) {
      options->imagePath = argument;
    } else {
      *error = QStringLiteral("more than one image: %1").arg(argument);
      return false;
    }
    if (!taken) return false;
  }
  if (!options->screenshotPath.isEmpty() && options->imagePath.isEmpty()) {
    *error = QStringLiteral("--screenshot needs an IMAGE");
    return false;
  }
  return true;
}
