// The window's menus, tool bar and keyboard: every command once, as an
// action, with its shortcut.
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QStyle>
#include <QToolBar>
#include <functional>
#include <utility>

#include "studio/image_view.h"
#include "studio/studio_window.h"

namespace {

// An action of the menu, named for the tests that trigger it as a user would.
QAction* AddAction(QMenu* menu, const char* name, const QString& text,
                   const QList<QKeySequence>& keys, QObject* receiver, std::function<void()> slot) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcuts(keys);
  QObject::connect(action, &QAction::triggered, receiver, [slot = std::move(slot)] { slot(); });
  return action;
}

}  // namespace

void StudioWindow::BuildViewMenu(QMenu* view) {
  QStyle* look = style();
  showOriginal_ =
      AddAction(view, "showOriginal", tr("Show &Original"), {QKeySequence(Qt::CTRL | Qt::Key_B)},
                this, [this] { view_->SetShowOriginal(showOriginal_->isChecked()); });
  showOriginal_->setCheckable(true);
  showOriginal_->setIcon(look->standardIcon(QStyle::SP_BrowserReload));
  splitView_ = AddAction(view, "splitView", tr("&Split Before/After"),
                         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B)}, this,
                         [this] { view_->SetSplit(splitView_->isChecked()); });
  splitView_->setCheckable(true);
  view->addSeparator();
  QAction* fit =
      AddAction(view, "fitToWindow", tr("&Fit to Window"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
                this, [this] { view_->FitToWindow(); });
  fit->setIcon(look->standardIcon(QStyle::SP_TitleBarNormalButton));
  AddAction(view, "actualSize", tr("&Actual Size (1:1)"), {QKeySequence(Qt::CTRL | Qt::Key_1)},
            this, [this] { view_->ActualSize(); });
  AddAction(view, "zoomIn", tr("Zoom &In"), {QKeySequence::ZoomIn}, this,
            [this] { view_->ZoomBy(1.25); });
  AddAction(view, "zoomOut", tr("Zoom O&ut"), {QKeySequence::ZoomOut}, this,
            [this] { view_->ZoomBy(0.8); });
}

void StudioWindow::BuildActions() {
  QStyle* look = style();
  QMenu* file = menuBar()->addMenu(tr("&File"));
  QAction* open = AddAction(file, "openImage", tr("&Open Image..."), {QKeySequence::Open}, this,
                            [this] { OpenImageChosen(); });
  open->setIcon(look->standardIcon(QStyle::SP_DialogOpenButton));
  recentMenu_ = file->addMenu(tr("Open &Recent"));
  recentMenu_->setObjectName(QStringLiteral("openRecent"));
  connect(recentMenu_, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
  QAction* save =
      AddAction(file, "saveResult", tr("&Save Result..."), {QKeySequence::Save}, this, [this] {
        if (lastSavePath_.isEmpty()) {
          SaveResultChosen();
        } else {
          SaveResultAs(lastSavePath_);
        }
      });
  save->setIcon(look->standardIcon(QStyle::SP_DialogSaveButton));
  AddAction(file, "saveResultAs", tr("Save Result &As..."), {QKeySequence::SaveAs}, this,
            [this] { SaveResultChosen(); });
  AddAction(file, "saveOptions", tr("Save O&ptions..."), {}, this, [this] { ChooseSaveOptions(); });
  file->addSeparator();
  AddAction(file, "quit", tr("&Quit"), {QKeySequence::Quit}, this, [this] { close(); });

  BuildEditMenu();

  QMenu* image = menuBar()->addMenu(tr("&Image"));
  applyAction_ =
      AddAction(image, "apply", tr("&Apply"),
                {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)},
                this, [this] { Apply(); });
  applyAction_->setIcon(look->standardIcon(QStyle::SP_MediaPlay));
  applyAction_->setToolTip(tr("Apply the program to the whole image (Ctrl+Enter)"));
  QMenu* view = menuBar()->addMenu(tr("&View"));
  BuildViewMenu(view);
  QAction* fit = findChild<QAction*>(QStringLiteral("fitToWindow"));

  QMenu* program = menuBar()->addMenu(tr("&Program"));
  QAction* check = AddAction(program, "checkProgram", tr("&Check"), {QKeySequence(Qt::Key_F5)},
                             this, [this] { CheckProgram(); });
  check->setIcon(look->standardIcon(QStyle::SP_DialogApplyButton));
  program->addSeparator();
  QAction* store =
      AddAction(program, "saveProgram", tr("&Save to Library"),
                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L)}, this, [this] { SaveProgram(); });
  store->setIcon(look->standardIcon(QStyle::SP_DriveHDIcon));
  AddAction(program, "deleteProgram", tr("&Delete from Library"), {}, this,
            [this] { DeleteProgram(); });
  AddAction(program, "moveProgram", tr("&Move to End"), {}, this, [this] { MoveProgram(); });
  AddAction(program, "clearEditor", tr("C&lear"), {}, this, [this] { ClearEditor(); });
  program->addSeparator();
  AddAction(program, "importPrograms", tr("&Import Program Files..."), {}, this,
            [this] { ImportPrograms(); });

  QMenu* parameters = menuBar()->addMenu(tr("P&arameters"));
  AddAction(parameters, "saveParameterSet", tr("&Save Parameter Set..."), {}, this,
            [this] { SaveParameterSet(); });
  AddAction(parameters, "loadParameterSet", tr("&Load Parameter Set..."), {}, this,
            [this] { LoadParameterSet(); });
  parameters->addSeparator();
  AddAction(parameters, "resetParameters", tr("&Reset to Defaults"), {}, this,
            [this] { ResetParameters(); });

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  QAction* reference = AddAction(help, "help", tr("&Language Reference"),
                                 {QKeySequence::HelpContents}, this, [this] { ShowHelp(); });
  reference->setIcon(look->standardIcon(QStyle::SP_DialogHelpButton));
  AddAction(help, "about", tr("&About Morfel Studio"), {}, this, [this] {
    QMessageBox::about(this, tr("About Morfel Studio"),
                       tr("<b>Morfel Studio</b><p>Per-pixel image programs, edited live.</p>"));
  });

  QToolBar* tools = addToolBar(tr("Tools"));
  tools->setObjectName(QStringLiteral("tools"));
  tools->setMovable(false);
  tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tools->addAction(open);
  tools->addAction(save);
  tools->addSeparator();
  tools->addAction(applyAction_);
  tools->addAction(showOriginal_);
  tools->addAction(fit);
  tools->addSeparator();
  tools->addAction(check);
  tools->addAction(store);
  tools->addSeparator();
  tools->addAction(reference);
}
