// The pixel tracer: a click on the image runs the edited program for that
// pixel alone, as morfel trace does, in a session of its own; the trace is
// shown beside the editors and the statements it ran are shaded in them.
#include <QFontDatabase>
#include <QPlainTextEdit>

#include "studio/code_editor.h"
#include "studio/picture_planes.h"
#include "studio/program_editors.h"
#include "studio/studio_window.h"
#include "studio/titled_box.h"

namespace {

QList<CodeEditor::Span> SpansOf(const PixelTrace& trace, ProgramFault text) {
  QList<CodeEditor::Span> spans;
  for (const TraceStep& step : trace.steps)
    if (step.text == text) spans.append({step.line, step.column, step.endLine, step.endColumn});
  return spans;
}

}  // namespace

void StudioWindow::BuildTracePanel() {
  trace_ = new QPlainTextEdit(this);
  trace_->setObjectName(QStringLiteral("trace"));
  trace_->setReadOnly(true);
  trace_->setLineWrapMode(QPlainTextEdit::NoWrap);
  trace_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  trace_->setPlaceholderText(tr("Click a pixel of the image to see what the program does to it."));
  tracePanel_ = TitledBox(tr("Trace"), trace_, this, QMargins(6, 6, 6, 6));
}

void StudioWindow::TracePixelAt(int column, int row) {
  if (!picture_) return;
  std::unique_ptr<FilterContext> context = CreateFilterContext(baseFolder_.c_str());
  if (context == nullptr || !LoadSourcePlanes(*context, *picture_)) {
    Say(tr("Not enough memory to trace the pixel."), true);
    return;
  }
  const CompileReport compiled = PrepareProgram(*context, Snapshot());
  if (compiled.status != CompileStatus::kCompiled) {
    ClearTrace();
    Say(tr("The program has an error: mend it to trace a pixel."), true);
    return;
  }
  ShowTrace(context->TracePixel(column, row));
}

void StudioWindow::ShowTrace(const PixelTrace& trace) {
  QString text = QString::fromLocal8Bit(FormatPixelTrace(trace).c_str());
  for (const UserMessage& message : trace.messages)
    text += QString::fromLocal8Bit(message.text.c_str()) + QLatin1Char('\n');
  trace_->setPlainText(text);
  editors_->InitEditor()->MarkTraced(SpansOf(trace, ProgramFault::kInit));
  editors_->TransformEditor()->MarkTraced(SpansOf(trace, ProgramFault::kTransform));
  Say(tr("Traced the pixel at column %1, row %2.").arg(trace.column).arg(trace.row));
}

void StudioWindow::ClearTrace() {
  if (trace_ == nullptr) return;
  trace_->clear();
  editors_->InitEditor()->MarkTraced({});
  editors_->TransformEditor()->MarkTraced({});
}

QString StudioWindow::TraceText() const {
  return trace_ != nullptr ? trace_->toPlainText() : QString();
}
