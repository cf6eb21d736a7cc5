#include "studio/studio_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "studio/code_editor.h"
#include "studio/image_view.h"
#include "studio/library_tree.h"
#include "studio/parameter_panel.h"
#include "studio/program_editors.h"
#include "studio/qt_front_end.h"
#include "studio/titled_box.h"

namespace {

// The typing pause after which an edited program is checked and previewed.
constexpr int kCheckPauseMs = 250;
constexpr int kProgressTickMs = 50;

}  // namespace

StudioWindow::StudioWindow(const std::string& baseFolder)
    : baseFolder_(baseFolder), context_(CreateFilterContext(baseFolder.c_str())) {
  setWindowTitle(tr("Morfel Studio"));
  setAcceptDrops(true);
  context_->LoadSettingsAndLibrary();
  context_->ListGroups(nullptr);
  context_->ListPrograms(nullptr);
  BuildLayout();
  BuildActions();
  worker_ = std::make_unique<PreviewWorker>(
      baseFolder_, this, [this](const PreviewResult& result) { PreviewDelivered(result); });
  ConnectParts();
  tree_->Rebuild(*context_);
  panel_->SetInterpolation(context_->settings.Interp);
  // As the main dialog opens: the chosen program with the values last used.
  LoadChosenProgram(Declarations::kOnOpening);
  UserMessages warnings = context_->LibraryReadWarning();
  for (UserMessage& message : context_->HiddenProgramsWarning()) warnings.push_back(message);
  if (!warnings.empty()) {
    QTimer::singleShot(0, this, [this, warnings] { ShowMessages(this, warnings); });
  }
  WatchLibrary();
  // Why no program could be loaded stays in view.
  if (programLoaded_) Say(tr("Ready."));
}

StudioWindow::~StudioWindow() = default;

void StudioWindow::BuildLayout() {
  tree_ = new LibraryTree(this);
  tree_->setObjectName(QStringLiteral("library"));
  view_ = new ImageView(this);
  view_->setObjectName(QStringLiteral("imageView"));
  panel_ = new ParameterPanel(this);
  panel_->setObjectName(QStringLiteral("parameters"));
  auto* panelScroll = new QScrollArea(this);
  panelScroll->setWidget(panel_);
  panelScroll->setWidgetResizable(true);
  panelScroll->setFrameShape(QFrame::NoFrame);
  editors_ = new ProgramEditors(this);
  editors_->setObjectName(QStringLiteral("editors"));
  BuildEditorAssist();

  auto* top = new QSplitter(Qt::Horizontal, this);
  top->addWidget(TitledBox(tr("Library"), tree_, top, QMargins(6, 6, 6, 0)));
  top->addWidget(view_);
  top->addWidget(TitledBox(tr("Parameters"), panelScroll, top, QMargins(6, 6, 6, 0)));
  top->setStretchFactor(1, 1);
  top->setSizes({210, 760, 290});
  top->setChildrenCollapsible(false);

  BuildTracePanel();
  auto* bottom = new QSplitter(Qt::Horizontal, this);
  bottom->addWidget(editors_);
  bottom->addWidget(tracePanel_);
  bottom->setStretchFactor(0, 3);
  bottom->setStretchFactor(1, 2);
  bottom->setSizes({700, 580});
  bottom->setChildrenCollapsible(false);

  auto* whole = new QSplitter(Qt::Vertical, this);
  whole->addWidget(top);
  whole->addWidget(bottom);
  whole->setStretchFactor(0, 3);
  whole->setStretchFactor(1, 2);
  whole->setSizes({500, 300});
  whole->setChildrenCollapsible(false);
  setCentralWidget(whole);

  timing_ = new QLabel(this);
  zoom_ = new QLabel(this);
  zoom_->setObjectName(QStringLiteral("zoomPercent"));
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("applyProgress"));
  progress_->setMaximumWidth(220);
  progress_->setFormat(tr("Applying %p%"));
  cancel_ = new QPushButton(tr("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("cancelApply"));
  progress_->hide();
  cancel_->hide();
  statusBar()->addPermanentWidget(progress_);
  statusBar()->addPermanentWidget(cancel_);
  statusBar()->addPermanentWidget(timing_);
  statusBar()->addPermanentWidget(zoom_);
  resize(1280, 820);
}

void StudioWindow::ConnectParts() {
  checkPause_.setSingleShot(true);
  checkPause_.setInterval(kCheckPauseMs);
  connect(&checkPause_, &QTimer::timeout, this, [this] { CheckEditedProgram(); });
  progressTick_.setInterval(kProgressTickMs);
  connect(&progressTick_, &QTimer::timeout, this, [this] { ShowApplyProgress(); });
  connect(tree_, &LibraryTree::programChosen, this, &StudioWindow::ProgramChosen);
  connect(editors_, &ProgramEditors::textsEdited, this, [this] { checkPause_.start(); });
  connect(panel_, &ParameterPanel::sliderMoved, this, [this] { ParametersChanged(); });
  connect(panel_, &ParameterPanel::valueEdited, this, [this] { ParametersChanged(); });
  connect(panel_, &ParameterPanel::valueCommitted, this, [this] { ValueCommitted(); });
  connect(panel_, &ParameterPanel::interpolationChosen, this, &StudioWindow::InterpolationChosen);
  connect(view_, &ImageView::scaleChanged, this, [this] {
    ShowZoom();
    RequestPreview();
  });
  connect(cancel_, &QPushButton::clicked, this, &StudioWindow::CancelApply);
  connect(view_, &ImageView::pixelClicked, this, &StudioWindow::TracePixelAt);
  // A trace is of the texts it ran: any change to them makes it history.
  for (CodeEditor* editor : {editors_->InitEditor(), editors_->TransformEditor()})
    connect(editor, &QPlainTextEdit::textChanged, this, [this] { ClearTrace(); });
}

void StudioWindow::Say(const QString& text, bool trouble) {
  statusBar()->setStyleSheet(trouble ? QStringLiteral("QStatusBar { color: #b3261e; }")
                                     : QString());
  statusBar()->showMessage(text);
}

void StudioWindow::ShowZoom() {
  zoom_->setText(view_->HasImage() ? tr("%1%").arg(view_->ZoomPercent()) : QString());
}

void StudioWindow::CheckNow() {
  checkPause_.stop();
  CheckEditedProgram();
}

void StudioWindow::SetPreviewClock(std::function<double()> clock) {
  worker_->SetClock(std::move(clock));
}

// The last values and the chosen program are kept for the next start, as
// the plug-in keeps them after OK; work not saved is asked about first.
void StudioWindow::closeEvent(QCloseEvent* event) {
  const SessionBusy busy(this);
  if (!MayDropEdit(tr("quitting")) || !MayDropResult(tr("quitting"))) {
    event->ignore();
    return;
  }
  // With no program loaded the settings keep the choice they name.
  if (programLoaded_) {
    TextsToSlots();
    context_->SaveSettings();
  }
  if (job_ != nullptr) CancelApply();
  event->accept();
}

void StudioWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!urls.isEmpty() && urls.first().isLocalFile()) event->acceptProposedAction();
}

void StudioWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  OpenImage(urls.first().toLocalFile());
}
