// File › Open Recent: the images opened lately, kept between runs in the
// studio's own settings (not the library's settings file, which the
// plug-in shares).
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

#include "studio/studio_window.h"

namespace {

constexpr int kRecentKept = 8;
const char kRecentKey[] = "recentFiles";

const char kOrganization[] = "Morfel";
const char kApplication[] = "Morfel Studio";

}  // namespace

QStringList StudioWindow::RecentFiles() const {
  const QSettings settings{QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication)};
  return settings.value(QLatin1String(kRecentKey)).toStringList();
}

void StudioWindow::RememberRecent(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList recent = RecentFiles();
  recent.removeAll(absolute);
  recent.prepend(absolute);
  while (recent.size() > kRecentKept) recent.removeLast();
  QSettings settings{QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication)};
  settings.setValue(QLatin1String(kRecentKey), recent);
}

// Files that are gone are left out, not offered to fail.
void StudioWindow::FillRecentMenu() {
  recentMenu_->clear();
  for (const QString& path : RecentFiles()) {
    if (!QFileInfo::exists(path)) continue;
    QAction* action = recentMenu_->addAction(QDir::toNativeSeparators(path));
    connect(action, &QAction::triggered, this, [this, path] { OpenImage(path); });
  }
  if (recentMenu_->isEmpty()) recentMenu_->addAction(tr("No images opened yet"))->setEnabled(false);
}
