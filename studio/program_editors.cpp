#include "studio/program_editors.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>
#include <cstdio>

#include "studio/code_editor.h"
#include "studio/texts.h"
#include "studio/titled_box.h"

namespace {

void CopyName(const QLineEdit* box, char destination[kNameTextSize]) {
  std::snprintf(destination, kNameTextSize, "%s", SessionName(box->text()).c_str());
}

// A name the library would store changed, or cut, is refused as typed.
QString NameRefusal(const QString& what, const QString& name) {
  const QString unstorable = UnstorableCharacters(name);
  if (!unstorable.isEmpty()) {
    return ProgramEditors::tr(
               "The %1 holds characters the library cannot store: %2. Type it "
               "without them.")
        .arg(what, unstorable);
  }
  const size_t bytes = SessionName(name).size();
  if (bytes >= static_cast<size_t>(kNameTextSize)) {
    return ProgramEditors::tr(
               "The %1 is too long: the library stores at most %2 bytes of a "
               "name, and it takes %3. Shorten it.")
        .arg(what)
        .arg(kNameTextSize - 1)
        .arg(bytes);
  }
  return {};
}

QString TextRefusal(const QString& what, const QString& text) {
  const QString unstorable = UnstorableCharacters(text);
  if (unstorable.isEmpty()) return {};
  return ProgramEditors::tr(
             "The %1 program holds characters the library cannot store: %2. "
             "Write it without them.")
      .arg(what, unstorable);
}

}  // namespace

ProgramEditors::ProgramEditors(QWidget* parent) : QWidget(parent) {
  group_ = new QLineEdit(this);
  group_->setObjectName(QStringLiteral("programGroup"));
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("programName"));
  for (QLineEdit* box : {group_, name_}) box->setMaxLength(kNameTextSize - 1);
  init_ = new CodeEditor(this);
  init_->setObjectName(QStringLiteral("initText"));
  transform_ = new CodeEditor(this);
  transform_->setObjectName(QStringLiteral("transformText"));

  auto* names = new QHBoxLayout();
  names->addWidget(new QLabel(tr("Group"), this));
  names->addWidget(group_, 1);
  names->addSpacing(12);
  names->addWidget(new QLabel(tr("Title"), this));
  names->addWidget(name_, 2);

  auto* texts = new QSplitter(Qt::Horizontal, this);
  texts->addWidget(TitledBox(tr("Initialize"), init_, texts));
  texts->addWidget(TitledBox(tr("Transform"), transform_, texts));
  texts->setChildrenCollapsible(false);

  faultIcon_ = new QLabel(this);
  faultIcon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(16, 16));
  fault_ = new QLabel(this);
  fault_->setObjectName(QStringLiteral("programFault"));
  auto* faultRow = new QHBoxLayout();
  faultRow->addWidget(faultIcon_);
  faultRow->addWidget(fault_, 1);
  detail_ = new QLabel(this);
  detail_->setObjectName(QStringLiteral("programFaultDetail"));
  detail_->setWordWrap(true);
  detail_->setTextFormat(Qt::PlainText);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->addLayout(names);
  layout->addWidget(texts, 1);
  layout->addLayout(faultRow);
  layout->addWidget(detail_);
  ClearFault();

  for (CodeEditor* editor : {init_, transform_}) {
    connect(editor, &QPlainTextEdit::textChanged, this, [this] {
      if (!showing_) Q_EMIT textsEdited();
    });
  }
}

void ProgramEditors::ShowProgram(const char* group, const char* name, const CurrentProgram& texts) {
  showing_ = true;
  setEnabled(true);
  group_->setText(ShownName(group));
  name_->setText(ShownName(name));
  const QString init = ShownText(texts.initText);
  const QString transform = ShownText(texts.transformText);
  if (init_->toPlainText() != init) init_->setPlainText(init);
  if (transform_->toPlainText() != transform) transform_->setPlainText(transform);
  showing_ = false;
}

void ProgramEditors::ShowNothing() {
  showing_ = true;
  group_->clear();
  name_->clear();
  init_->clear();
  transform_->clear();
  showing_ = false;
  setEnabled(false);
}

QString ProgramEditors::StorageRefusal() const {
  for (const QString& refusal : {NameRefusal(tr("group name"), group_->text()),
                                 NameRefusal(tr("program name"), name_->text()),
                                 TextRefusal(tr("Initialize"), init_->toPlainText()),
                                 TextRefusal(tr("Transform"), transform_->toPlainText())}) {
    if (!refusal.isEmpty()) return refusal;
  }
  return {};
}

void ProgramEditors::ReadNames(char group[kNameTextSize], char name[kNameTextSize]) const {
  CopyName(group_, group);
  CopyName(name_, name);
}

std::string ProgramEditors::InitText() const { return SessionText(init_->toPlainText()); }

std::string ProgramEditors::TransformText() const { return SessionText(transform_->toPlainText()); }

void ProgramEditors::TypeProgram(const EditedProgram& program) {
  setEnabled(true);
  group_->setText(ShownName(program.group));
  name_->setText(ShownName(program.name));
  init_->ReplaceText(ShownText(program.texts.initText));
  transform_->ReplaceText(ShownText(program.texts.transformText));
}

bool ProgramEditors::Edited() const {
  return unedited_ != QStringList{group_->text(), name_->text(), init_->toPlainText(),
                                  transform_->toPlainText()};
}

void ProgramEditors::KeepAsUnedited() {
  unedited_ = {group_->text(), name_->text(), init_->toPlainText(), transform_->toPlainText()};
}

void ProgramEditors::ShowFault(ProgramFault fault, int line, const QString& message,
                               const ProgramNote* detail) {
  const bool inTransform = fault == ProgramFault::kTransform;
  // The compiler's line is where the failing statement starts; the detail
  // names the line and column of the text at fault within it.
  const bool detailed = detail != nullptr && detail->line > 0 && detail->text == fault;
  const int markedLine = detailed ? detail->line : line;
  const int column = detailed && fault != ProgramFault::kDeclarations ? detail->column : 0;
  for (CodeEditor* editor : {init_, transform_}) editor->MarkWarningLines({});
  init_->MarkLine(inTransform ? 0 : markedLine);
  transform_->MarkLine(inTransform ? markedLine : 0);
  init_->MarkColumn(inTransform ? 0 : column);
  transform_->MarkColumn(inTransform ? column : 0);
  fault_->setText(message);
  fault_->setStyleSheet(QStringLiteral("color: #b3261e;"));
  faultIcon_->setVisible(true);
  const bool hasReason = detail != nullptr && !detail->reason.empty();
  detail_->setText(hasReason ? ShownName(detail->Explained().c_str()) : QString());
  detail_->setToolTip(QString());
  detail_->setStyleSheet(QStringLiteral("color: #b3261e;"));
  detail_->setVisible(hasReason);
}

void ProgramEditors::ClearFault() {
  for (CodeEditor* editor : {init_, transform_}) {
    editor->MarkLine(0);
    editor->MarkColumn(0);
    editor->MarkWarningLines({});
  }
  fault_->setText(tr("No errors."));
  fault_->setStyleSheet(QStringLiteral("color: #5f6b5f;"));
  faultIcon_->setVisible(false);
  detail_->clear();
  detail_->setVisible(false);
}

void ProgramEditors::ShowWarnings(const std::vector<ProgramNote>& warnings) {
  QList<int> initLines;
  QList<int> transformLines;
  QStringList lines;
  for (const ProgramNote& warning : warnings) {
    QList<int>& marked = warning.text == ProgramFault::kTransform ? transformLines : initLines;
    if (!marked.contains(warning.line)) marked.append(warning.line);
    lines.append(tr("%1 line %2: %3")
                     .arg(QString::fromLatin1(ProgramTextName(warning.text)))
                     .arg(warning.line)
                     .arg(ShownName(warning.Explained().c_str())));
  }
  init_->MarkWarningLines(initLines);
  transform_->MarkWarningLines(transformLines);
  detail_->setText(lines.join(QLatin1Char('\n')));
  detail_->setStyleSheet(QStringLiteral("color: #8a6100;"));
  detail_->setVisible(!lines.isEmpty());
}
