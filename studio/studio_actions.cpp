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

QAction* AddAction(QMenu* menu, const QString& text, const QList<QKeySequence>& keys,
                   QObject* receiver, std::function<void()> slot) {
  QAction* action = menu->addAction(text);
  action->setShortcuts(keys);
  QObject::connect(action, &QAction::triggered, receiver, [slot = std::move(slot)] { slot(); });
  return action;
}

}  // namespace

void StudioWindow::BuildActions() {
  QStyle* look = style();
  QMenu* file = menuBar()->addMenu(tr("&File"));
  QAction* open = AddAction(file, tr("&Open Image..."), {QKeySequence::Open}, this,
                            [this] { OpenImageChosen(); });
  open->setIcon(look->standardIcon(QStyle::SP_DialogOpenButton));
  QAction* save = AddAction(file, tr("&Save Result..."), {QKeySequence::Save}, this, [this] {
    if (lastSavePath_.isEmpty()) {
      SaveResultChosen();
    } else {
      SaveResultAs(lastSavePath_);
    }
  });
  save->setIcon(look->standardIcon(QStyle::SP_DialogSaveButton));
  AddAction(file, tr("Save Result &As..."), {QKeySequence::SaveAs}, this,
            [this] { SaveResultChosen(); });
  file->addSeparator();
  AddAction(file, tr("&Quit"), {QKeySequence::Quit}, this, [this] { close(); });

  QMenu* image = menuBar()->addMenu(tr("&Image"));
  applyAction_ =
      AddAction(image, tr("&Apply"),
                {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)},
                this, [this] { Apply(); });
  applyAction_->setIcon(look->standardIcon(QStyle::SP_MediaPlay));
  applyAction_->setToolTip(tr("Apply the program to the whole image (Ctrl+Enter)"));
  showOriginal_ = AddAction(image, tr("Show &Original"), {QKeySequence(Qt::CTRL | Qt::Key_B)}, this,
                            [this] { view_->SetShowOriginal(showOriginal_->isChecked()); });
  showOriginal_->setCheckable(true);
  showOriginal_->setIcon(look->standardIcon(QStyle::SP_BrowserReload));
  image->addSeparator();
  QAction* fit = AddAction(image, tr("&Fit to Window"), {QKeySequence(Qt::CTRL | Qt::Key_0)}, this,
                           [this] { view_->FitToWindow(); });
  fit->setIcon(look->standardIcon(QStyle::SP_TitleBarNormalButton));
  AddAction(image, tr("Zoom &In"), {QKeySequence::ZoomIn}, this, [this] { view_->ZoomBy(1.25); });
  AddAction(image, tr("Zoom O&ut"), {QKeySequence::ZoomOut}, this, [this] { view_->ZoomBy(0.8); });

  QMenu* program = menuBar()->addMenu(tr("&Program"));
  QAction* check = AddAction(program, tr("&Check"), {QKeySequence(Qt::Key_F5)}, this,
                             [this] { CheckProgram(); });
  check->setIcon(look->standardIcon(QStyle::SP_DialogApplyButton));
  program->addSeparator();
  QAction* store =
      AddAction(program, tr("&Save to Library"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L)},
                this, [this] { SaveProgram(); });
  store->setIcon(look->standardIcon(QStyle::SP_DriveHDIcon));
  AddAction(program, tr("&Delete from Library"), {}, this, [this] { DeleteProgram(); });
  AddAction(program, tr("&Move to End"), {}, this, [this] { MoveProgram(); });
  AddAction(program, tr("C&lear"), {}, this, [this] { ClearEditor(); });
  program->addSeparator();
  AddAction(program, tr("&Import Program Files..."), {}, this, [this] { ImportPrograms(); });

  QMenu* parameters = menuBar()->addMenu(tr("P&arameters"));
  AddAction(parameters, tr("&Save Parameter Set..."), {}, this, [this] { SaveParameterSet(); });
  AddAction(parameters, tr("&Load Parameter Set..."), {}, this, [this] { LoadParameterSet(); });

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  QAction* reference =
      AddAction(help, tr("&Help"), {QKeySequence::HelpContents}, this, [this] { ShowHelp(); });
  reference->setIcon(look->standardIcon(QStyle::SP_DialogHelpButton));
  AddAction(help, tr("&About Morfel Studio"), {}, this, [this] {
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
