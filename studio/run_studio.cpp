// The studio from its start to its end: the base folder prepared, the
// window opened on what the command line asks, and either the user's
// session or one screenshot.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "files/files.h"
#include "session/session.h"
#include "studio/code_editor.h"
#include "studio/program_editors.h"
#include "studio/studio.h"
#include "studio/studio_window.h"

namespace {

// How long a screenshot waits for the window's first preview.
constexpr int kScreenshotWaitMs = 30000;

void Complain(const QString& text) {
  std::fprintf(stderr, "morfel-studio: %s\n", text.toLocal8Bit().constData());
}

// Lets the event loop run for ms milliseconds.
void Pause(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// The window, or only what is under the trace (the editors and the trace)
// when one was asked for.
int TakeScreenshot(StudioWindow& window, const QString& path, bool trace) {
  QElapsedTimer waited;
  waited.start();
  // A settled preview twice in a row: the view's final size has been asked for.
  int settled = 0;
  while (settled < 2) {
    if (waited.elapsed() > kScreenshotWaitMs) {
      Complain(
          QStringLiteral("the preview was not ready within %1 s").arg(kScreenshotWaitMs / 1000));
      return 1;
    }
    Pause(100);
    settled = window.PreviewSettled() ? settled + 1 : 0;
  }
  QWidget* shown = trace ? window.TraceArea() : &window;
  if (!shown->grab().save(path, "PNG")) {
    Complain(QStringLiteral("cannot write %1").arg(path));
    return 1;
  }
  return 0;
}

std::string BaseFolder(const StudioOptions& options) {
  if (options.baseFolder.isEmpty()) return DefaultBaseFolder();
  return WithSeparator(options.baseFolder.toLocal8Bit().toStdString());
}

}  // namespace

int RunStudio(const StudioOptions& options) {
  const std::string base = BaseFolder(options);
  std::string error;
  if (!PrepareBaseFolder(base, &error)) {
    Complain(QString::fromLocal8Bit(error.c_str()));
    return 1;
  }
  StudioWindow window(base);
  window.show();
  const bool screenshot = !options.screenshotPath.isEmpty();
  if (!options.imagePath.isEmpty()) {
    QString reason;
    if (!window.OpenImage(options.imagePath, screenshot ? &reason : nullptr) && screenshot) {
      Complain(reason);
      return 1;
    }
  }
  if (!options.programName.isEmpty()) {
    const int slash = options.programName.indexOf(QLatin1Char('/'));
    if (!window.ChooseProgramNamed(options.programName.left(slash),
                                   options.programName.mid(slash + 1))) {
      Complain(QStringLiteral("the library has no program %1").arg(options.programName));
      if (screenshot) return 1;
    }
  }
  if (options.typeInit) window.Editors()->InitEditor()->ReplaceText(options.initText);
  if (options.typeTransform) {
    window.Editors()->TransformEditor()->ReplaceText(options.transformText);
  }
  if (options.typeInit || options.typeTransform) window.CheckNow();
  if (options.trace) window.TracePixelAt(options.traceColumn, options.traceRow);
  if (screenshot) return TakeScreenshot(window, options.screenshotPath, options.trace);
  return QApplication::exec();
}
