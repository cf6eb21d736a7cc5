// The studio driven as a user drives it, headless: the preview against the
// engine's own result, the live check's marks, Apply and Cancel, Save read
// back through the image files, the library file after the editor's
// operations, and nothing the user typed lost to another writer, an
// unanswered question, a name's characters or a program that is not there.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextLayout>
#include <QStatusBar>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "files/files.h"
#include "library/library.h"
#include "studio/code_editor.h"
#include "studio/completion.h"
#include "studio/language_words.h"
#include "studio/help_dialog.h"
#include "studio/image_view.h"
#include "studio/library_tree.h"
#include "studio/parameter_panel.h"
#include "studio/program_editors.h"
#include "studio/studio_window.h"
#include "studio/syntax_highlighter.h"

namespace {

// Answers the message boxes the session raises, in order, as the user would:
// Yes or No to a question, OK to anything else. Returns what they said.
class BoxAnswerer : public QObject {
 public:
  explicit BoxAnswerer(std::vector<bool> answers) : answers_(std::move(answers)) {
    connect(&timer_, &QTimer::timeout, this, [this] { Answer(); });
    timer_.start(20);
  }
  QStringList seen;

 private:
  void Answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen << box->text();
    if (box->button(QMessageBox::Yes) != nullptr) {
      const bool yes = next_ < answers_.size() && answers_[next_];
      ++next_;
      box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    } else {
      box->button(QMessageBox::Ok)->click();
    }
  }
  std::vector<bool> answers_;
  size_t next_ = 0;
  QTimer timer_;
};

// Types text as keys, Return for each line break.
void Type(QWidget* editor, const QString& text) {
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (int i = 0; i < lines.size(); ++i) {
    if (i > 0) QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, lines[i]);
  }
}

// The previews' clock (seconds): it stands still until the test sets it
// going, then moves a second at every look, so a preview runs out of time
// when the test says, however slow the machine. A run on the interface
// thread would block the window: there it is out of time at once.
struct PreviewClock {
  std::atomic<bool> going{false};
  std::atomic<int64_t> seconds{0};
};

std::function<double()> ClockFunction(std::shared_ptr<PreviewClock> clock) {
  return [clock] {
    if (QThread::currentThread() == QCoreApplication::instance()->thread()) return 1e300;
    return static_cast<double>(clock->going ? clock->seconds.fetch_add(1) : clock->seconds.load());
  };
}

// Types over the whole text of an editor, then checks it at once.
void Retype(StudioWindow& window, CodeEditor* editor, const QString& text) {
  editor->selectAll();
  Type(editor, text);
  window.CheckNow();
}

// Back to the program as it was chosen.
void UndoAll(CodeEditor* editor) {
  while (editor->document()->isUndoAvailable()) {
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
  }
}

// The colour the highlighter gave the first occurrence of word, or an
// invalid colour where it gave none.
QColor ColourOf(CodeEditor* editor, const QString& word) {
  const QTextCursor found = editor->document()->find(word);
  if (found.isNull()) return {};
  const QTextBlock block = found.block();
  const int at = found.selectionStart() - block.position();
  for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
    if (range.start <= at && at < range.start + range.length) {
      return range.format.foreground().color();
    }
  }
  return {};
}

QColor ColourOf(WordKind kind) { return SyntaxHighlighter::FormatOf(kind).foreground().color(); }

// What the completion list shows now.
QStringList Offered(CodeAssist* assist) {
  QStringList shown;
  QAbstractItemModel* model = assist->Completer()->completionModel();
  for (int row = 0; row < model->rowCount(); ++row) shown << model->index(row, 0).data().toString();
  return shown;
}

void Trigger(QWidget* window, const char* action) {
  QAction* found = window->findChild<QAction*>(QString::fromLatin1(action));
  QVERIFY2(found != nullptr, action);
  found->trigger();
}

}  // namespace

class StudioTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir folder_;
  std::string base_;
  std::unique_ptr<StudioWindow> window_;
  // The previews' clock: no preview runs out of time unless a test says so.
  std::shared_ptr<PreviewClock> previewClock_;

  // A fresh base folder, seeded with the starter library.
  void PrepareBase() {
    static int made = 0;
    base_ = WithSeparator(folder_.filePath(QStringLiteral("base%1").arg(++made)).toStdString());
    std::string error;
    QVERIFY2(PrepareBaseFolder(base_, &error), error.c_str());
  }

  void ShowWindow() {
    window_ = std::make_unique<StudioWindow>(base_);
    previewClock_ = std::make_shared<PreviewClock>();
    window_->SetPreviewClock(ClockFunction(previewClock_));
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }

  // A window over a fresh base folder with the sample photograph open and
  // program GROUP/NAME chosen.
  // A window over a fresh base folder with program GROUP/NAME chosen and
  // no image.
  void OpenProgram(const QString& group, const QString& name) {
    PrepareBase();
    ShowWindow();
    QVERIFY(window_->ChooseProgramNamed(group, name));
  }

  void OpenWindow(const QString& group, const QString& name) {
    PrepareBase();
    ShowWindow();
    QVERIFY(window_->OpenImage(QStringLiteral(MORFEL_SAMPLE)));
    QVERIFY(window_->ChooseProgramNamed(group, name));
    QTRY_VERIFY(window_->PreviewSettled());
  }

  QByteArray LibraryBytes() {
    char path[kPathBufferSize];
    LibraryPath(path, sizeof path, base_.c_str());
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  void SetNames(const QString& group, const QString& name) {
    window_->findChild<QLineEdit*>(QStringLiteral("programGroup"))->setText(group);
    window_->findChild<QLineEdit*>(QStringLiteral("programName"))->setText(name);
  }

  // The library file as morfel and the plug-in read it: "GROUP/NAME" each.
  QStringList StoredPrograms() {
    ProgramLibrary library;
    if (!LoadProgramLibrary(base_.c_str(), &library)) return {};
    QStringList names;
    for (int32_t i = 0; i < library.ProgramCount(); ++i) {
      names << QString::fromUtf8(library.ProgramField(i, "Group")) + QLatin1Char('/') +
                   QString::fromUtf8(library.ProgramField(i, "Name"));
    }
    return names;
  }

 private Q_SLOTS:
  // Recent files go to a settings file of the tests' own.
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void cleanup() { window_.reset(); }

  // The preview is the session's own RunPreview of the reduced copy the
  // view asks for, pixel for pixel, after the user moved a slider.
  void previewMatchesTheEngine() {
    OpenWindow(QStringLiteral("Deform"), QStringLiteral("Twirl"));
    // Drawn at a quarter of its size or less, the image gets a preview as small.
    for (int zoom = 0; zoom < 8; ++zoom) window_->View()->ZoomBy(0.8);
    QSlider* angle = window_->Panel()->Slider(0);
    angle->triggerAction(QAbstractSlider::SliderPageStepAdd);
    angle->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(window_->Panel()->ValueBox(0)->text(), QString::number(angle->value()));
    QCOMPARE_NE(angle->value(), 180);
    QTRY_VERIFY(window_->PreviewSettled());

    std::unique_ptr<FilterContext> engine = CreateFilterContext(base_.c_str());
    engine->LoadSettingsAndLibrary();
    QVERIFY(LoadSourcePlanes(*engine, *window_->Image()));
    engine->ListGroups("Deform");
    engine->ListPrograms("Twirl");
    QCOMPARE(engine->CompileCurrentProgram().status, CompileStatus::kCompiled);
    engine->ReadDeclarations(kDeclareDefaults, nullptr);
    engine->SetParameterText(0, QByteArray::number(angle->value()).constData());
    const QSize area = window_->View()->PreviewArea();
    engine->SizePreview(area.width(), area.height());
    QCOMPARE(engine->RunPreview(area.width(), area.height()).status, RunStatus::kFinished);
    const QImage expected = PlaneToImage(engine->previewResultRgb);
    QVERIFY(!expected.isNull());
    QCOMPARE(window_->View()->Processed(), expected);
    QVERIFY(expected.width() * 2 < window_->Image()->width);
    QVERIFY(expected != PictureToImage(*window_->Image()).scaled(expected.size()));
  }

  void syntaxErrorMarksItsLine_data() {
    QTest::addColumn<bool>("inTransform");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");
    QTest::newRow("transform") << true << "x=x;\ny=y+;\n"
                               << 2 << "Error in Transform program in line 2.";
    QTest::newRow("init after a declaration") << false << "coord=2;\n?p,message,0,9,1;\nq=(;\n"
                                              << 3 << "Error in Initialize program in line 3.";
    QTest::newRow("declaration") << false << "coord=2;\n?p,,0,9,1;\n"
                                 << 2 << "Error in Initial parameter setting.";
  }

  // Typing a fault marks its line with the editor's message; mending it
  // clears the mark and the preview follows.
  void syntaxErrorMarksItsLine() {
    QFETCH(bool, inTransform);
    QFETCH(QString, typed);
    QFETCH(int, line);
    QFETCH(QString, message);
    OpenWindow(QStringLiteral("Deform"), QStringLiteral("Sample"));
    ProgramEditors* editors = window_->Editors();
    CodeEditor* editor = inTransform ? editors->TransformEditor() : editors->InitEditor();
    editor->selectAll();
    Type(editor, typed);
    QTRY_COMPARE(editor->MarkedLine(), line);
    QCOMPARE(editors->findChild<QLabel*>(QStringLiteral("programFault"))->text(), message);
    UndoAll(editor);  // Ctrl+Z back to the program as chosen, which has no fault
    QTRY_COMPARE(editor->MarkedLine(), 0);
    QTRY_VERIFY(window_->PreviewSettled());
  }

  // The fault's column is underlined and its reason shown under the
  // editor's message; a program that compiles but wastes its work marks the
  // warned lines instead.
  void faultColumnAndWarningsAreMarked() {
    OpenWindow(QStringLiteral("Deform"), QStringLiteral("Sample"));
    ProgramEditors* editors = window_->Editors();
    CodeEditor* editor = editors->TransformEditor();
    QLabel* detail = editors->findChild<QLabel*>(QStringLiteral("programFaultDetail"));
    editor->selectAll();
    Type(editor, QStringLiteral("x=x;\nR=sinn(G);\n"));
    QTRY_COMPARE(editor->MarkedLine(), 2);
    QCOMPARE(editor->MarkedColumn(), 3);
    QVERIFY2(detail->text().contains(QStringLiteral("did you mean 'sin'?")),
             qPrintable(detail->text()));
    editor->selectAll();
    Type(editor, QStringLiteral("x=x+1;\nR=255-R;\n"));
    QTRY_COMPARE(editor->WarningLines(), QList<int>{2});
    QCOMPARE(editor->MarkedLine(), 0);
    QVERIFY2(detail->text().contains(QStringLiteral("coord")), qPrintable(detail->text()));
  }

  // A program that never ends is stopped once the preview's budget is spent,
  // with the session's notice; the window answers all the while, and the
  // last preview stands until a good program replaces it.
  void runawayIsStoppedAndTheWindowAnswers() {
    OpenWindow(QStringLiteral("Deform"), QStringLiteral("Sample"));
    const QImage good = window_->View()->Processed();
    CodeEditor* editor = window_->Editors()->TransformEditor();
    Retype(*window_, editor, QStringLiteral("while(1){x=x;}"));
    bool answered = false;  // the event loop runs while the program does
    QTimer::singleShot(0, [&answered] { answered = true; });
    QTRY_VERIFY(answered);
    QVERIFY(!window_->PreviewSettled());
    previewClock_->going = true;
    QTRY_COMPARE_WITH_TIMEOUT(
        window_->statusBar()->currentMessage(),
        QStringLiteral("The preview was stopped: the program takes too long."), 15000);
    previewClock_->going = false;
    QCOMPARE(window_->View()->Processed(), good);
    UndoAll(editor);
    QTRY_VERIFY(window_->PreviewSettled());
    QCOMPARE(window_->View()->Processed(), good);
  }

  // Cancel stops the run and leaves the result and the image as they were;
  // the same Apply left to run gives a result of the image's size. Only
  // Cancel can end the cancelled program, and the run holds the image it
  // works on until it ends.
  void applyThenCancelChangesNothing() {
    OpenWindow(QStringLiteral("Deform"), QStringLiteral("Twirl"));
    const Picture before = *window_->Image();
    CodeEditor* editor = window_->Editors()->TransformEditor();
    Retype(*window_, editor, QStringLiteral("while(1){x=x;}"));
    const std::weak_ptr<const Picture> applied = window_->Image();
    QSignalSpy ended(window_.get(), &StudioWindow::applyEnded);
    Trigger(window_.get(), "apply");
    QVERIFY(window_->Applying());
    QTest::mouseClick(window_->findChild<QPushButton*>(QStringLiteral("cancelApply")),
                      Qt::LeftButton);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.at(0).at(0).toBool(), false);
    // The same file again: only the cancelled run may still hold the first.
    QVERIFY(window_->OpenImage(QStringLiteral(MORFEL_SAMPLE)));
    QTRY_VERIFY2_WITH_TIMEOUT(applied.expired(), "the cancelled run goes on", 15000);
    QCoreApplication::sendPostedEvents();  // what the run sent, if anything
    QCOMPARE(ended.count(), 1);
    QVERIFY(!window_->ResultUpToDate());
    QCOMPARE(window_->Result().width, 0);
    QCOMPARE(window_->Image()->bgr, before.bgr);

    UndoAll(editor);
    window_->CheckNow();
    // Ctrl+Enter applies from wherever the user is, the editors included.
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(window_->Applying());
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 30000);
    QCOMPARE(ended.at(1).at(0).toBool(), true);
    QVERIFY(window_->ResultUpToDate());
    QCOMPARE(window_->Result().width, before.width);
    QVERIFY(window_->Result().bgr != before.bgr);
    QCOMPARE(window_->Image()->bgr, before.bgr);

    // The applied result is not dropped on quitting without a word.
    for (const UnsavedAnswer answer : {UnsavedAnswer::kCancel, UnsavedAnswer::kDiscard}) {
      QStringList asked;
      window_->SetUnsavedAsker([&asked, answer](const UnsavedQuestion& question) {
        asked << question.title << question.discardButton;
        return answer;
      });
      Trigger(window_.get(), "quit");
      QCOMPARE(asked, (QStringList{"Save the result?", "Discard result"}));
      QCOMPARE(window_->isVisible(), answer == UnsavedAnswer::kCancel);
    }
  }

  // Save applies when the result is not up to date, then writes through the
  // host's image files, which read back the very planes; and they are the
  // planes morfel gives for the same program through the plug-in's dialogs.
  void savedResultReadsBackIdentically() {
    OpenWindow(QStringLiteral("Deform"), QStringLiteral("Twirl"));
    auto* interpolation = window_->findChild<QComboBox*>(QStringLiteral("interpolation"));
    QTest::keyClick(interpolation, Qt::Key_Down);  // Linear
    QCOMPARE(window_->Session().settings.Interp, 1);
    QSignalSpy saved(window_.get(), &StudioWindow::saved);
    const QString path = folder_.filePath(QStringLiteral("twirl.png"));
    window_->SaveResultAs(path);
    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 30000);
    Picture read;
    std::string error;
    QVERIFY2(ReadPicture(path.toStdString(), &read, &error), error.c_str());
    QCOMPARE(read.width, window_->Result().width);
    QCOMPARE(read.height, window_->Result().height);
    QVERIFY(read.bgr == window_->Result().bgr);
    QVERIFY(read.t == window_->Result().t);

    const QString byMorfel = folder_.filePath(QStringLiteral("morfel.png"));
    QProcess morfel;
    morfel.start(QStringLiteral(MORFEL_BINARY),
                 {"apply", "--base", QString::fromStdString(base_), "--program", "Deform/Twirl",
                  "--interp", "linear", "--quiet", QStringLiteral(MORFEL_SAMPLE), byMorfel});
    QVERIFY(morfel.waitForFinished(60000));
    QCOMPARE(morfel.exitCode(), 0);
    Picture fromMorfel;
    QVERIFY2(ReadPicture(byMorfel.toStdString(), &fromMorfel, &error), error.c_str());
    QVERIFY(fromMorfel.bgr == read.bgr);
  }

  // Save, Move and Delete ask the session's questions and reach the library
  // file that morfel and the plug-in read.
  void libraryChangesReachTheFile() {
    OpenWindow(QStringLiteral("Deform"), QStringLiteral("Twirl"));
    window_->findChild<QLineEdit*>(QStringLiteral("programGroup"))->setText("Mine");
    window_->findChild<QLineEdit*>(QStringLiteral("programName"))->setText("Spin");
    {
      BoxAnswerer user({true});
      Trigger(window_.get(), "saveProgram");
      QCOMPARE(user.seen, QStringList{"Do you save as a new program?"});
    }
    QStringList stored = StoredPrograms();
    QCOMPARE(stored.last(), QStringLiteral("Mine/Spin"));
    const int count = stored.size();
    window_->findChild<QLineEdit*>(QStringLiteral("programGroup"))->setText("Deform");
    window_->findChild<QLineEdit*>(QStringLiteral("programName"))->setText("Twirl");
    {
      BoxAnswerer user({true});
      Trigger(window_.get(), "moveProgram");
      QCOMPARE(user.seen, QStringList{"Do you move this program at last?"});
    }
    stored = StoredPrograms();
    QCOMPARE(stored.size(), count);
    QCOMPARE(stored.last(), QStringLiteral("Deform/Twirl"));
    window_->findChild<QLineEdit*>(QStringLiteral("programGroup"))->setText("Mine");
    window_->findChild<QLineEdit*>(QStringLiteral("programName"))->setText("Spin");
    {
      BoxAnswerer user({false, true});
      Trigger(window_.get(), "deleteProgram");  // answered No: kept
      QVERIFY(StoredPrograms().contains(QStringLiteral("Mine/Spin")));
      Trigger(window_.get(), "deleteProgram");
      QCOMPARE(user.seen,
               (QStringList{"Do you delete this program?", "Do you delete this program?"}));
    }
    QVERIFY(!StoredPrograms().contains(QStringLiteral("Mine/Spin")));
    QCOMPARE(StoredPrograms().size(), count - 1);
  }

  // Another writer adds a program while the user edits one: the tree shows
  // it, the edit stays, and the studio's next save keeps it. The watcher's
  // own refresh is only checked to come at all.
  void anotherWriterChangesTheLibrary() {
    OpenWindow(QStringLiteral("Deform"), QStringLiteral("Twirl"));
    CodeEditor* editor = window_->Editors()->TransformEditor();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QStringLiteral("y=y;"));
    const QString edited = editor->toPlainText();
    QSignalSpy refreshed(window_.get(), &StudioWindow::libraryRefreshed);
    const auto add = [this](const char* name) {
      ProgramLibrary library;
      QVERIFY(LoadProgramLibrary(base_.c_str(), &library));
      QVERIFY(library.AppendProgram("Elsewhere", name, "", "x=x;\r\n") >= 0);
      QVERIFY(SaveLibrary(base_.c_str(), library));
    };
    add("Added");
    window_->RefreshLibrary();
    int32_t group = 0;
    int32_t program = 0;
    QVERIFY(window_->Tree()->Find(QStringLiteral("Elsewhere"), QStringLiteral("Added"), &group,
                                  &program));
    QCOMPARE(window_->Tree()->currentItem()->text(0), QStringLiteral("Twirl"));
    QCOMPARE(editor->toPlainText(), edited);
    {
      BoxAnswerer user({true});
      Trigger(window_.get(), "saveProgram");
      QCOMPARE(user.seen, QStringList{"Do you overwrite?"});
    }
    QVERIFY(StoredPrograms().contains(QStringLiteral("Elsewhere/Added")));
    QVERIFY(!window_->Editors()->Edited());

    add("Later");
    QVERIFY(refreshed.wait(20000));
    QTRY_VERIFY_WITH_TIMEOUT(window_->Tree()->Find(QStringLiteral("Elsewhere"),
                                                   QStringLiteral("Later"), &group, &program),
                             20000);
  }

  void unsavedEditIsAskedAbout_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("editKept");
    const int cancel = static_cast<int>(UnsavedAnswer::kCancel);
    const int discard = static_cast<int>(UnsavedAnswer::kDiscard);
    const int save = static_cast<int>(UnsavedAnswer::kSave);
    QTest::newRow("quit, cancelled") << "quit" << true << cancel << true;
    QTest::newRow("quit, saved") << "quit" << true << save << false;
    QTest::newRow("quit, nothing edited") << "quit" << false << cancel << false;
    QTest::newRow("switch, cancelled") << "switch" << true << cancel << true;
    QTest::newRow("switch, discarded") << "switch" << true << discard << false;
    QTest::newRow("switch, saved") << "switch" << true << save << false;
    QTest::newRow("clear, cancelled") << "clearEditor" << true << cancel << true;
    QTest::newRow("import, cancelled") << "importPrograms" << true << cancel << true;
  }

  // Quitting, choosing another program, Clear and Import ask before an
  // edit would be dropped; Cancel keeps everything as it was, Save stores
  // the edit first.
  void unsavedEditIsAskedAbout() {
    QFETCH(QString, action);
    QFETCH(bool, edit);
    QFETCH(int, answer);
    QFETCH(bool, editKept);
    OpenWindow(QStringLiteral("Deform"), QStringLiteral("Twirl"));
    CodeEditor* editor = window_->Editors()->TransformEditor();
    if (edit) {
      editor->moveCursor(QTextCursor::End);
      QTest::keyClicks(editor, QStringLiteral("y=y;"));
    }
    const QString before = editor->toPlainText();
    QStringList asked;
    window_->SetUnsavedAsker([&asked, answer](const UnsavedQuestion& question) {
      asked << question.title << question.saveButton << question.discardButton;
      return static_cast<UnsavedAnswer>(answer);
    });
    BoxAnswerer user({true});  // "Do you overwrite?" when saving
    if (action == QLatin1String("switch")) {
      int32_t group = 0;
      int32_t program = 0;
      QVERIFY(window_->Tree()->Find(QStringLiteral("Deform"), QStringLiteral("Sample"), &group,
                                    &program));
      window_->Tree()->setCurrentItem(window_->Tree()->topLevelItem(group)->child(program));
    } else {
      Trigger(window_.get(), action.toLatin1().constData());
    }
    const QStringList question = {"Save the edited program?", "Save to library", "Discard changes"};
    QCOMPARE(asked, edit ? question : QStringList());
    if (!edit) QVERIFY(!window_->isVisible());  // nothing to ask about
    const bool quit = action == QLatin1String("quit");
    QCOMPARE(editor->toPlainText() == before, !edit || editKept || quit);
    if (action == QLatin1String("switch") && !editKept) {
      QCOMPARE(window_->Tree()->currentItem()->text(0), QStringLiteral("Sample"));
      QVERIFY(!window_->Editors()->Edited());
    }
    if (editKept) {
      QVERIFY(window_->isVisible());
      QVERIFY(window_->Editors()->Edited());
      QCOMPARE(window_->Tree()->currentItem()->text(0), QStringLiteral("Twirl"));
    }
    if (answer == int(UnsavedAnswer::kSave)) {
      QCOMPARE(window_->isVisible(), !quit);
      ProgramLibrary library;
      QVERIFY(LoadProgramLibrary(base_.c_str(), &library));
      const int index = library.FindProgram("Deform", "Twirl");
      QCOMPARE(QString::fromUtf8(library.ProgramField(index, "Prog")).replace("\r\n", "\n"),
               before);
    }
  }

  // Names are stored as typed, in UTF-8, and read back so by morfel; a
  // name the library cannot hold is refused, naming the character.
  void namesAreStoredAsTyped() {
    OpenWindow(QStringLiteral("Deform"), QStringLiteral("Twirl"));
    const QString group = QStringLiteral("Мои");
    for (const QString& name : {QStringLiteral("Вихрь"), QStringLiteral("Воронка")}) {
      SetNames(group, name);
      BoxAnswerer user({true});
      Trigger(window_.get(), "saveProgram");
      QCOMPARE(user.seen, QStringList{"Do you save as a new program?"});
    }
    QVERIFY(StoredPrograms().contains(QStringLiteral("Мои/Вихрь")));
    QVERIFY(StoredPrograms().contains(QStringLiteral("Мои/Воронка")));
    QProcess morfel;
    morfel.start(QStringLiteral(MORFEL_BINARY), {"list", "--base", QString::fromStdString(base_)});
    QVERIFY(morfel.waitForFinished(60000));
    const QString listed = QString::fromUtf8(morfel.readAllStandardOutput());
    QVERIFY(listed.contains(QStringLiteral("Мои/Вихрь\n")));
    QVERIFY(listed.contains(QStringLiteral("Мои/Воронка\n")));

    const QByteArray library = LibraryBytes();
    SetNames(group, QStringLiteral("Half") + QChar(0xD800));
    BoxAnswerer user({true});
    Trigger(window_.get(), "saveProgram");
    QCOMPARE(user.seen.size(), 1);
    QVERIFY2(user.seen.first().contains(QStringLiteral("U+D800")), qPrintable(user.seen.first()));
    QCOMPARE(LibraryBytes(), library);
  }

  void unloadableProgramIsNoText_data() {
    QTest::addColumn<bool>("libraryCorrupted");
    QTest::newRow("the settings name a missing group") << false;
    QTest::newRow("the library cannot be read") << true;
  }

  // When the chosen program cannot be loaded the editors stay empty, the
  // reason is in the status bar, and nothing is saved over a program.
  void unloadableProgramIsNoText() {
    QFETCH(bool, libraryCorrupted);
    PrepareBase();
    if (libraryCorrupted) {
      char path[kPathBufferSize];
      LibraryPath(path, sizeof path, base_.c_str());
      QFile file(QString::fromLocal8Bit(path));
      QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(QByteArray("[Prog000\0]\r\nGroup=Deform\r\n", 26));
    } else {
      FilterSettings settings = {};
      ParamSlot slots[kParamSlotCount] = {};
      LoadSettings(base_.c_str(), &settings, nullptr, slots);
      settings.GroupNo = 999;
      QVERIFY(SaveSettings(base_.c_str(), settings, slots));
    }
    const QByteArray library = LibraryBytes();
    BoxAnswerer user({});  // the library's read warning
    ShowWindow();
    QVERIFY(!window_->ProgramLoaded());
    QVERIFY(!window_->Editors()->isEnabled());
    QCOMPARE(window_->Editors()->InitText(), std::string());
    QCOMPARE(window_->Editors()->TransformText(), std::string());
    QVERIFY2(window_->statusBar()->currentMessage().startsWith("The function is not found."),
             qPrintable(window_->statusBar()->currentMessage()));
    Trigger(window_.get(), "saveProgram");
    QCOMPARE(LibraryBytes(), library);
  }

  // Each kind of word gets its colour in the editor it is typed into; a
  // block comment colours the lines it runs over.
  void editorColoursItsWords() {
    OpenProgram(QStringLiteral("Deform"), QStringLiteral("Sample"));
    CodeEditor* init = window_->Editors()->InitEditor();
    CodeEditor* transform = window_->Editors()->TransformEditor();
    init->setPlainText(
        QStringLiteral("?amount,Amount,0,100,50;\ncoord=0;\nok=LoadBmp(\"star\", 0);\n"));
    transform->setPlainText(QStringLiteral(
        "while (i<3) { i=i+1; }\nR=sin(x)*amount+0xFF+1.5e2; // invert\n/* one\ntwo */ G=G;\n"));
    const struct {
      CodeEditor* editor;
      const char* word;
      WordKind kind;
    } cases[] = {
        {transform, "while", WordKind::kKeyword},     {transform, "sin", WordKind::kFunction},
        {transform, "x)", WordKind::kVariable},       {transform, "amount", WordKind::kParameter},
        {transform, "0xFF", WordKind::kNumber},       {transform, "1.5e2", WordKind::kNumber},
        {transform, "// invert", WordKind::kComment}, {transform, "two */", WordKind::kComment},
        {transform, "G=G", WordKind::kVariable},      {init, "amount", WordKind::kParameter},
        {init, "coord", WordKind::kVariable},         {init, "\"star\"", WordKind::kString},
        {init, "LoadBmp", WordKind::kFunction},       {init, "ok", WordKind::kPlain},
    };
    for (const auto& c : cases) {
      const QColor expected = c.kind == WordKind::kPlain ? QColor() : ColourOf(c.kind);
      QVERIFY2(ColourOf(c.editor, QString::fromLatin1(c.word)) == expected, c.word);
    }
  }

  // Two letters offer the built-ins with their arguments and the program's
  // own names; Return in the list writes the name alone.
  void completionOffersNames() {
    OpenProgram(QStringLiteral("Deform"), QStringLiteral("Sample"));
    CodeEditor* editor = window_->Editors()->TransformEditor();
    CodeAssist* assist = window_->Assist(true);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("R=s"));
    QVERIFY(!assist->Completer()->popup()->isVisible());
    QTest::keyClicks(editor, QStringLiteral("i"));
    QTRY_VERIFY(assist->Completer()->popup()->isVisible());
    QVERIFY(Offered(assist).contains(QStringLiteral("sin(n)")));
    QTest::keyClick(assist->Completer()->popup(), Qt::Key_Return);
    QCOMPARE(editor->toPlainText(), QStringLiteral("R=sin"));
    QTest::keyClicks(editor, QStringLiteral("(x)+pa"));
    QTRY_COMPARE(Offered(assist), QStringList{QStringLiteral("param")});
    QTest::keyClick(editor, Qt::Key_Semicolon);
    QVERIFY(!assist->Completer()->popup()->isVisible());
    QVERIFY(FunctionHelp(QStringLiteral("min")).startsWith(QStringLiteral("min(a, b)")));
  }

  // A value belongs to its parameter: a new program starts from its
  // declared defaults, and Reset gives the defaults back.
  void parametersStartFromTheirDefaults() {
    OpenProgram(QStringLiteral("Deform"), QStringLiteral("Twirl"));
    QLineEdit* value = window_->Panel()->ValueBox(0);
    value->setText(QStringLiteral("33"));
    Q_EMIT value->editingFinished();
    Trigger(window_.get(), "clearEditor");
    QCOMPARE(value->text(), QStringLiteral("50"));
    QVERIFY(window_->statusBar()->currentMessage().contains(QStringLiteral("Deform/Sample")));
    value->setText(QStringLiteral("7"));
    window_->Editors()->TransformEditor()->appendPlainText(QStringLiteral("y=y;"));
    window_->CheckNow();
    QCOMPARE(value->text(), QStringLiteral("7"));
    Trigger(window_.get(), "resetParameters");
    QCOMPARE(value->text(), QStringLiteral("50"));
  }

  // The Edit menu works on the editor typed into last; F1 shows the
  // language reference.
  void editMenuActsOnTheEditor() {
    OpenProgram(QStringLiteral("Deform"), QStringLiteral("Sample"));
    for (const char* name : {"editUndo", "editRedo", "editCut", "editCopy", "editPaste",
                             "editSelectAll", "editFind"}) {
      QVERIFY2(window_->findChild<QAction*>(QString::fromLatin1(name)) != nullptr, name);
    }
    CodeEditor* editor = window_->Editors()->TransformEditor();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    editor->setFocus();
    QTRY_VERIFY(editor->hasFocus());
    const QString chosen = editor->toPlainText();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QStringLiteral("y=y;"));
    Trigger(window_.get(), "editUndo");
    QCOMPARE(editor->toPlainText(), chosen);
    Trigger(window_.get(), "editRedo");
    QCOMPARE(editor->toPlainText(), chosen + QStringLiteral("y=y;"));
    QVERIFY(window_->FindInEditor(QStringLiteral("xs")));
    QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("xs"));
    QVERIFY(!window_->FindInEditor(QStringLiteral("nowhere")));
    Trigger(window_.get(), "help");
    auto* help = window_->findChild<HelpDialog*>(QStringLiteral("helpDialog"));
    QVERIFY(help != nullptr);
    QVERIFY(help->Text().contains(QStringLiteral("Built-in functions")));
  }

  // 1:1 is 100 %, shown as such; a program with an error dims the preview
  // until it is mended.
  void viewShowsItsScaleAndState() {
    OpenWindow(QStringLiteral("Deform"), QStringLiteral("Sample"));
    Trigger(window_.get(), "actualSize");
    QCOMPARE(window_->View()->ZoomPercent(), 100);
    QCOMPARE(window_->findChild<QLabel*>(QStringLiteral("zoomPercent"))->text(),
             QStringLiteral("100%"));
    CodeEditor* editor = window_->Editors()->TransformEditor();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QStringLiteral("y=;"));
    window_->CheckNow();
    QVERIFY(window_->View()->Stale());
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    window_->CheckNow();
    QVERIFY(!window_->View()->Stale());
    QCOMPARE(window_->RecentFiles().value(0),
             QFileInfo(QStringLiteral(MORFEL_SAMPLE)).absoluteFilePath());
  }

  // A click on the image traces that pixel: the text is morfel trace's for
  // the same pixel, and the statements it ran are shaded until the text
  // changes.
  void clickedPixelShowsMorfelsTrace() {
    OpenWindow(QStringLiteral("Filter"), QStringLiteral("Box blur"));
    ImageView* view = window_->View();
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(view->width() / 3, view->height() / 2));
    const QString shown = window_->TraceText();
    const QRegularExpressionMatch pixel =
        QRegularExpression(QStringLiteral("^Pixel at column (\\d+), row (\\d+) ")).match(shown);
    QVERIFY2(pixel.hasMatch(), qPrintable(shown));
    QProcess morfel;
    morfel.start(
        QStringLiteral(MORFEL_BINARY),
        {"trace", "--base", QString::fromStdString(base_), "--program", "Filter/Box blur", "--at",
         pixel.captured(1) + QLatin1Char(',') + pixel.captured(2), QStringLiteral(MORFEL_SAMPLE)});
    QVERIFY(morfel.waitForFinished(60000));
    QCOMPARE(morfel.exitCode(), 0);
    QCOMPARE(shown, QString::fromLocal8Bit(morfel.readAllStandardOutput()));
    CodeEditor* transform = window_->Editors()->TransformEditor();
    QVERIFY(!transform->TracedSpans().isEmpty());
    QCOMPARE(transform->TracedSpans().front().line, 1);
    transform->moveCursor(QTextCursor::End);
    QTest::keyClicks(transform, QStringLiteral(" "));
    QVERIFY(transform->TracedSpans().isEmpty());
    QVERIFY(window_->TraceText().isEmpty());
  }
};

QTEST_MAIN(StudioTest)
#include "studio_test.moc"
