// The editors' typing help: colours, completion and the built-ins' tips,
// knowing the parameters and variables of the program being written.
#include <QApplication>

#include "studio/code_editor.h"
#include "studio/completion.h"
#include "studio/language_words.h"
#include "studio/program_editors.h"
#include "studio/studio_window.h"
#include "studio/syntax_highlighter.h"

void StudioWindow::BuildEditorAssist() {
  CodeEditor* init = editors_->InitEditor();
  CodeEditor* transform = editors_->TransformEditor();
  auto* initColours = new SyntaxHighlighter(init->document());
  auto* transformColours = new SyntaxHighlighter(transform->document());
  // Parameters are declared in the Init text and read in both.
  const auto follow = [init, initColours, transformColours] {
    const QStringList parameters = DeclaredParameters(init->toPlainText());
    initColours->SetParameters(parameters);
    transformColours->SetParameters(parameters);
  };
  connect(init, &QPlainTextEdit::textChanged, this, follow);
  const auto programNames = [init, transform] {
    const QString initText = init->toPlainText();
    return DeclaredParameters(initText) +
           AssignedVariables(initText + QLatin1Char('\n') + transform->toPlainText());
  };
  initAssist_ = new CodeAssist(init, programNames);
  transformAssist_ = new CodeAssist(transform, programNames);
  lastEditor_ = transform;
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    auto* editor = qobject_cast<CodeEditor*>(now);
    if (editor != nullptr) lastEditor_ = editor;
  });
}

CodeEditor* StudioWindow::EditedEditor() const { return lastEditor_; }
