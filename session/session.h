// Session: the state of one export call (the filter context) and the work
// the dialogs do with it, in the words of the user who does it: choose a
// group and a program, compile it, read its parameter declarations, run a
// preview, apply it to the image, save and load parameter sets, and the
// editor's check, save, delete, move and import on the library.
//
// Contracts
// - Nothing here knows a window. The front end (the Win32 dialogs, or any
//   other) reads the members of FilterContext to fill its controls, hands
//   the contents of its controls to the operations below, and shows what an
//   operation returns. It changes the context only through these operations,
//   apart from filling sourceRgb and sourceT with the image to work on.
// - Messages for the user are data: each operation returns the system's
//   texts, with the kind of box they belong in, in the order to show them.
//   Questions that decide how an operation goes on (Yes or No) are asked
//   through the FrontEnd given to it, while it runs.
// - An operation that returns choiceChanged has refilled groupList and
//   functionList or moved GroupNo or FuncNo: the front end shows both lists
//   again, with items GroupNo and FuncNo selected.
// - The six images, the engine, the library, the settings, the program texts
//   and the parameter slots are members held by value: a context is created
//   and destroyed whole. Its size (the two name lists take 128 KiB each)
//   calls for the heap, which CreateFilterContext takes care of.
// - Everything runs on the caller's thread; a run blocks until it ends.
#ifndef MORFEL_SESSION_SESSION_H
#define MORFEL_SESSION_SESSION_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/image.h"
#include "library/library.h"
#include "script/script.h"
#include "transform/transform.h"

// ---------------------------------------------------------------- name lists

// Names in combo box order: position i is item i of the matching list the
// front end shows. Unlike a keyed list it keeps duplicates, so positions
// never fall out of step with the list shown.
struct NameList {
  int32_t count;
  char names[kMaxPrograms][kNameTextSize];
};

// The name at position, or "" when there is none.
const char* NameAt(const NameList& list, int32_t position);
// Position of the first exact (case-sensitive) match, or -1.
int32_t FindName(const NameList& list, const char* name);
// Appends a copy cut to kNameTextSize - 1 characters. 0 when full.
int32_t AppendName(NameList& list, const char* name);

// ---------------------------------------------------------------- talking to the user

// The three kinds of box the dialogs show.
enum class MessageKind : int32_t {
  kError,   // title "error", stop icon
  kNotice,  // title "message", stop icon: an operation found nothing to work on
  kResult,  // title "message", no icon
};

struct UserMessage {
  MessageKind kind;
  std::string text;
};

using UserMessages = std::vector<UserMessage>;

// What an operation needs of the front end while it runs.
class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  // A question with Yes and No, No the default (title "message", question
  // icon). True when the user answered Yes.
  virtual bool Ask(const char* question) = 0;
  // The names of the entries that match pattern (a folder followed by a
  // wildcard such as "*.txt"), in the order the file system gives them.
  // Folders, FIFOs and devices may be among them: the import skips what is
  // not a regular file, with a note naming it. False when the search found
  // no entry at all.
  virtual bool ListFiles(const char* pattern, std::vector<std::string>* names) = 0;
};

// ---------------------------------------------------------------- outcomes

// What an operation did, for the front end to show.
struct SessionReport {
  UserMessages messages;       // to show, in this order
  bool choiceChanged = false;  // show the group and program lists again
  bool programShown = false;   // the editor shows the chosen program again
};

enum class CompileStatus : int32_t {
  kCompiled,         // both programs compiled (an empty text counts as compiled)
  kInitFailed,       // "Initialization error."; the Transform text was not compiled
  kTransformFailed,  // "Program compilation error."
  kTooLongToRun,     // a text longer than a program may hold: both slots emptied
};

// Where the editor's check found the first fault of a program.
enum class ProgramFault : int32_t {
  kNone,
  kDeclarations,  // "Error in Initial parameter setting."
  kInit,          // "Error in Initialize program in line %d."
  kTransform,     // "Error in Transform program in line %d."
};

// A fault or a warning in one of a program's texts, in detail: what the
// dialogs' fixed messages cannot say. Lines and columns count from 1 (a
// column counts the bytes of its line); 0 when there is nothing to name.
struct ProgramNote {
  ProgramFault text = ProgramFault::kNone;  // the text it is about
  int32_t line = 0;
  int32_t column = 0;
  std::string atFault;   // the text at fault ("" at the end of the text)
  std::string reason;    // "unknown function 'sinn'"
  std::string hint;      // "did you mean 'sin'?", or ""
  std::string lineText;  // the whole line it is on, without its line end
  // "Transform line 2, column 3": the text, and the line and column when
  // they are known.
  std::string Where() const;
  // "reason (hint)", or the reason alone.
  std::string Explained() const { return hint.empty() ? reason : reason + " (" + hint + ")"; }
};

// The word for a text in messages: "Init" or "Transform" ("" for none).
const char* ProgramTextName(ProgramFault text);

// What the editor's check finds in two program texts, without a context:
// the first fault in detail (text kNone when there is none) and, when there
// is none, the warnings in text order, Init first. initText is the whole
// Init text, declaration lines included.
struct ProgramDiagnosis {
  ProgramNote fault;
  std::vector<ProgramNote> warnings;
};
ProgramDiagnosis DiagnoseProgramTexts(const char* initText, const char* transformText);
// The compiler's detail of a failed compile of `source`, as a note.
ProgramNote NoteOfCompileError(ProgramFault text, const CompileDiagnostic& detail,
                               const char* source);

// DiagnoseProgramTexts for texts whose lines may end in LF alone, as files
// and front ends other than the editor give them.
ProgramDiagnosis DiagnoseLfProgramTexts(const std::string& initText,
                                        const std::string& transformText);

struct CompileReport : SessionReport {
  CompileStatus status = CompileStatus::kCompiled;
  ProgramNote detail;  // kInitFailed, kTransformFailed: where and why
};

struct CheckReport : SessionReport {
  ProgramFault fault = ProgramFault::kNone;
  // Line of the fault in its text, from 1: the compiler's error line, or for
  // declarations the first malformed one (the thirteenth when there are too
  // many); 0 when no line can be named.
  int32_t line = 0;
  ProgramNote detail;                 // the fault in detail
  std::vector<ProgramNote> warnings;  // when there is no fault
};

// How a run over the image or the preview ended.
enum class RunStatus : int32_t {
  kFinished,    // every pass ran
  kNotStarted,  // a parameter error or too many passes (its message
                // returned), or images that do not fit
  kStopped,     // stopped before its end: the preview's time budget, or the
                // caller's keepGoing
};

struct RunOptions {
  ProgressCallback progress = nullptr;  // told each finished row of the result
  // Asked every few thousand units of work while the run goes on (pixels,
  // loops going round): false stops the run. Empty: the run goes to its end.
  std::function<bool()> keepGoing;
};

struct RunReport {
  RunStatus status = RunStatus::kNotStarted;
  RunFlags flags = 0;  // the view flags the run reported
  UserMessages messages;
  // The first program run the engine stopped (reason kNone when none was):
  // the pixel and the reason the message names, as data.
  StopRecord firstStop;
  // A preview stopped for taking too long switched "Auto Preview" off
  // (settings.Preview is 0): the front end unchecks it.
  bool autoPreviewSwitchedOff = false;
};

// Seconds a preview may take before it is stopped.
constexpr double kPreviewSeconds = 2.0;

// Seconds on a steady clock, from some fixed start.
double SteadySeconds();

// ---------------------------------------------------------------- tracing a pixel

// One statement a traced pixel executed.
struct TraceStep {
  ProgramFault text = ProgramFault::kNone;  // kInit or kTransform
  int32_t line = 0;                         // where the statement starts, from 1
  int32_t column = 0;                       // (a column counts the bytes of its line)
  int32_t endLine = 0;                      // where it ends: just past its last byte
  int32_t endColumn = 0;
  std::string statement;  // as written, each run of blanks and line breaks one space
  bool isTest = false;    // the head of an if or a while
  bool holds = false;     // isTest: the condition held
  int32_t turn = 0;       // the head of a while: the how-manyth test since the loop began
  // The variables it set, in the order it set them (the built-ins' too).
  std::vector<std::pair<std::string, double>> assigned;
  std::string ending;  // "exit(-1)", or why the engine stopped it; "" when it ran to its end
};

// Steps a trace keeps; a loop that runs longer is counted, not listed.
constexpr int32_t kMaxTraceSteps = 2000;

// What one pixel of the current program does (FilterContext::TracePixel).
struct PixelTrace {
  bool traced = false;    // false: messages say why
  UserMessages messages;  // a pixel outside the image, a parameter error ...
  int32_t column = 0;     // the pixel, from the top-left
  int32_t row = 0;
  int32_t width = 0;  // of the image
  int32_t height = 0;
  uint8_t source[4] = {};  // its source colour: R, G, B, T
  std::vector<TraceStep> steps;
  int32_t stepsLeftOut = 0;  // beyond kMaxTraceSteps
  PixelOutcome pixel;
};

// The trace as text, one step a line: what morfel trace prints and the
// studio shows.
std::string FormatPixelTrace(const PixelTrace& trace);

// ---------------------------------------------------------------- preview size

// Size of the preview images for a preview area of areaWidth x areaHeight
// pixels and a source of imageWidth x imageHeight: the largest size of the
// image's proportions inside the area, width a multiple of 4, both at least
// 1 (at least 4 wide).
struct PreviewSize {
  int32_t width;
  int32_t height;
};
PreviewSize ComputePreviewSize(int32_t areaWidth, int32_t areaHeight, int32_t imageWidth,
                               int32_t imageHeight);

// ---------------------------------------------------------------- the editor's program

// The editor's four boxes as the user typed them.
struct EditedProgram {
  char group[kNameTextSize];
  char name[kNameTextSize];
  CurrentProgram texts;
};

// What "Clear" puts into the editor: a small working program with one
// parameter, so that every part of a program is shown once.
extern const EditedProgram kClearedProgram;

// ---------------------------------------------------------------- help

constexpr int kHelpReferenceTextLength = 802;
// The language reference the help shows: kHelpReferenceTextLength
// characters, every line ended by CR LF.
extern const char kHelpReferenceText[];

// ---------------------------------------------------------------- the data folder

// The default base folder: $XDG_DATA_HOME/morfel/, else
// ~/.local/share/morfel/ (on Windows %APPDATA%\morfel\), with its separator.
std::string DefaultBaseFolder();

// ---------------------------------------------------------------- programs by name

// For front ends that take a program and its values by name and text (the
// command line, the Python module) rather than from the dialogs' lists.

// The text each parameter row gets, "" for a row left at its default.
struct ParameterRows {
  std::vector<std::string> values;
  std::vector<std::string> notes;  // values outside their declared range
  // Set when the check failed on a name the program does not declare, a
  // fault a front end may tell apart (Python's KeyError).
  bool unknownName = false;
};

// Checks parameter words (NAME=VALUE, or a value by position) against
// initText's declarations before a run, in the words of morfel's --param.
// An unknown name, a row given twice, more values than rows, a text longer
// than the dialog's box takes or one that is not an expression of known
// variables is an error. False with the message.
bool ResolveParameters(const std::string& initText, const std::vector<std::string>& words,
                       ParameterRows* rows, std::string* error);

// Edits (insert, delete, replace, swap two neighbours; letters compared
// without case) that turn one word into the other.
size_t EditDistance(const std::string& a, const std::string& b);
// The candidates nearest to word, best first, at most count, in their
// order on ties.
std::vector<std::string> ClosestWords(const std::string& word,
                                      const std::vector<std::string>& candidates, size_t count);
// "; did you mean 'X'?" (or "'X' or 'Y'") naming the candidates near enough
// to word to be a slip of the keyboard; "" when none is.
std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates);

// "GROUP/NAME" of each program the lists show, in library order.
std::vector<std::string> ListedProgramNames(const ProgramLibrary& library);
// A program found by name: the first named group/name, also among the
// programs beyond the lists' kMaxPrograms. index -1 when there is none.
struct NamedProgram {
  int index = -1;
  std::string initText;
  std::string transformText;
};
NamedProgram FindNamedProgram(const ProgramLibrary& library, const std::string& group,
                              const std::string& name);
// "; the closest are:" and the three listed programs whose GROUP/NAME are
// nearest to wanted, one a line; "" for an empty library.
std::string ClosestProgramsText(const ProgramLibrary& library, const std::string& wanted);

// ---------------------------------------------------------------- the filter context

// Slots allocated: one more than the twelve used, so a reader that looks one
// past the last used slot still finds an empty name.
constexpr int kParamSlotBlock = kParamSlotCount + 1;

class FilterContext {
 public:
  // threads: how many a pass may use; 0 for ThreadsWanted().
  explicit FilterContext(const char* baseFolder, int32_t threads = 0);
  FilterContext(const FilterContext&) = delete;
  FilterContext& operator=(const FilterContext&) = delete;

  // ---- state, read by the front end

  std::string baseFolder;  // ends with a path separator (the host's text, copied)
  CurrentProgram program;
  ParamSlot slots[kParamSlotBlock];  // 0 .. 11 used
  ProgramLibrary library;
  ProgressImage sourceRgb;  // the host's image, full size (empty without one)
  RgbtImage sourceT;
  ScriptEngine engine;             // slot 0 the compiled Init program, slot 1 the Transform
  PassThreads passThreads;         // every run's passes spread over them when they may be
  ProgressImage previewSourceRgb;  // the image reduced to the preview size
  RgbtImage previewSourceT;
  ProgressImage previewResultRgb;  // the last preview, top row first
  ProgressImage previewResultT;
  NameList groupList;     // position i: item i of the group list
  NameList functionList;  // the programs of the chosen group
  FilterSettings settings;
  int32_t paramCount = 0;  // declared parameters shown in the main dialog
  // The preview's time budget, and the clock it is measured by (seconds).
  double previewSeconds = kPreviewSeconds;
  std::function<double()> clock = SteadySeconds;

  // ---- the start and the end of a call

  // Reads the settings file, then the library file, from the base folder.
  void LoadSettingsAndLibrary();
  // Writes the settings file. 1 when written.
  int32_t SaveSettings() const;
  // Tells, when the library file could not be read whole, that no change
  // can be saved to it. No message when it was.
  UserMessages LibraryReadWarning() const;
  // Tells when the library holds more programs than the lists can show.
  UserMessages HiddenProgramsWarning() const;

  // ---- choosing a program

  // Refills groupList with the library's distinct group names (the first
  // spelling of a name stands for every spelling that differs only in
  // letter case). name null: GroupNo stays; otherwise GroupNo := position of
  // name (exact), or 0 when it is not there.
  void ListGroups(const char* name);
  // Refills functionList with the programs of the group at GroupNo, in
  // library order. name null: FuncNo stays; otherwise FuncNo := position of
  // name, or 0.
  void ListPrograms(const char* name);
  // The programs of the group at position groupPosition of groupList, as
  // ListPrograms would list them were that group chosen; nothing changes.
  void ListProgramsOf(int32_t groupPosition, NameList* programs) const;
  // The user chose item position of the group list: its first program.
  void ChooseGroup(int32_t position);
  // The user chose item position of the program list.
  void ChooseProgram(int32_t position);
  // Item position of the interpolation list (an Interpolation), for the
  // final run only: the preview always samples with Round.
  void ChooseInterpolation(int32_t position);
  // "Auto Preview" checked or not: a preview follows every change.
  void SetAutoPreview(bool on);
  const char* ChosenGroupName() const;
  const char* ChosenProgramName() const;
  // Copies the texts of the chosen program into the current program (a
  // missing key reads as empty); a text too long to run is copied cut, for
  // showing only, and its message returned. When no program matches, the
  // Init text becomes a text that says what was looked for, the lists are
  // refilled by the names looked for and choiceChanged is set.
  SessionReport SelectCurrentProgram();
  // SelectCurrentProgram, then CompileProgramTexts.
  CompileReport CompileCurrentProgram();
  // Compiles the current program's texts as they stand (chosen, or taken
  // with TakeProgramTexts): Init (declaration lines stripped) into slot 0,
  // Transform into slot 1, with the messages of CompileCurrentProgram.
  CompileReport CompileProgramTexts();

  // ---- parameters

  // Reads the current Init text's declarations into the parameter slots
  // (ParseParamDeclarations in that mode, with paramCount), showing the
  // rows through view when given. 1 when they are well formed.
  int32_t ReadDeclarations(DeclarationMode mode, ParamRowView* view);
  // The main dialog opens: no rows are shown yet, and the declarations are
  // read keeping the values loaded with the settings.
  int32_t ReadDeclarationsOnOpening(ParamRowView* view);
  // Declared rows shown, never more than kParamSlotCount.
  int32_t DeclaredRows() const;
  // A parameter text evaluated as a slider position (EvaluateParamText).
  int32_t EvaluateParameterText(const char* text);
  // The value text of parameter row, cut to kNameTextSize - 1 characters.
  void SetParameterText(int32_t row, const char* text);
  // The parameter rows as OK copies them from the dialog's boxes: every
  // declared row its default or the value of rows (a front end's checked
  // values, see ResolveParameters), every other row empty.
  void TakeParameterRows(const ParameterRows& rows);
  // The texts the user typed become the current program's texts.
  void TakeProgramTexts(const char* initText, const char* transformText);

  // ---- parameter set files

  // Where parameter set files live by default (the data folder's "Param"),
  // and a file name proposed from the chosen program's name.
  std::string ParameterFolder() const;
  std::string ProposedParameterFileName() const;
  // Writes the chosen group and program and the twelve value texts to path;
  // once written the texts become the slots' values. 1 when written; a file
  // that cannot be written changes nothing and says nothing.
  int32_t SaveParameterSet(const char* path, const char* const values[kParamSlotCount]);
  // Reads path and chooses its group and program (or the first ones where
  // they are unknown), takes its value texts and compiles the program. The
  // result's choiceChanged says whether the file was read; a file that
  // cannot be read changes nothing and says nothing.
  CompileReport LoadParameterSet(const char* path);

  // ---- runs

  // Sizes the four preview images for a preview area of that many pixels
  // and fills them with the reduced image unchanged (black for an image
  // without pixels), which the area shows until a preview runs.
  void SizePreview(int32_t areaWidth, int32_t areaHeight);
  // Runs the current program on the reduced image (always Round) into
  // previewResultRgb and previewResultT. When the run asks for the full
  // scale, the image's real pixels tiled from the top-left corner over an
  // area of that many pixels are run instead; when it asks for the T plane,
  // the colours are darkened by it. After a failed run the result shows the
  // reduced image unchanged. A preview that takes longer than
  // previewSeconds by `clock` is stopped (kStopped): the preview images keep
  // what they held before it (the last good preview), "Auto Preview" is
  // switched off and the notice "The preview was stopped: the program takes
  // too long." returned. options.keepGoing, when given, is asked as well: a
  // preview it stops keeps the last preview too, with no notice and Auto
  // Preview as it was. Programs the engine stopped are not reported.
  RunReport RunPreview(int32_t areaWidth, int32_t areaHeight,
                       const RunOptions& options = RunOptions());
  // The final run over the whole image with the chosen interpolation, into
  // result planes that start as a copy of the source (so pixels a run
  // leaves alone, or a run that stops, give back the host's own pixels).
  // The first program run the engine stopped is reported as an error that
  // names the pixel (DescribeStop). A run stopped by options.keepGoing is
  // kStopped, with no messages.
  RunReport ApplyToImage(ProgressImage& resultRgb, RgbtImage& resultT, const RunOptions& options);

  // Runs Init and then the Transform program for the source pixel at
  // (column, row) alone, on the interpreter, with the chosen interpolation
  // and the parameters as they stand, noting every statement executed
  // (TracePixel in transform.h): the compiled programs must be the current
  // texts' (CompileProgramTexts). The image is left as it was.
  PixelTrace TracePixel(int32_t column, int32_t row);

  // ---- the program editor

  // Compiles the texts on an engine of its own (the compiled programs stay
  // as they were) and checks the declarations; messages name the first
  // fault and its line, which the report also gives as data. The texts
  // become the current program's, and the declared slots get their
  // defaults.
  CheckReport CheckProgram(const CurrentProgram& texts);
  // The editor's changes are each applied to the library file as it is when
  // the change is made, under the file's lock (the questions are asked
  // before, about the file as it is then), and the library and lists are
  // refreshed from the result: a program another front end saved meanwhile
  // is never lost.
  //
  // Stores the edited program: in place when its group and name exist (after
  // "Do you overwrite?"), otherwise as a new last program. One that another
  // program saved after "Do you save as a new program?" is kept, not
  // overwritten unasked.
  SessionReport SaveProgram(const EditedProgram& edited, FrontEnd& frontEnd);
  // Removes the first program with the edited group and name (after a
  // question); the library file and the lists are refreshed either way.
  SessionReport DeleteProgram(const EditedProgram& edited, FrontEnd& frontEnd);
  // Makes the edited program the last one of the library: every copy with
  // its group and name is removed, each after a question, and one copy with
  // the edited texts is appended.
  SessionReport MoveProgramToEnd(const EditedProgram& edited, FrontEnd& frontEnd);
  // Merges every program file of the data folder into the library (after a
  // question) and chooses the first program of the first group. Entries
  // that are not regular files are skipped with a notice naming them.
  SessionReport ImportProgramFiles(FrontEnd& frontEnd);
  // "OK" in the editor: the slots get the declared defaults of the current
  // program, so the settings saved next carry them.
  void KeepDeclaredDefaults();

 private:
  RunReport RunPreviewOnce(const RunBudget& budget);
  void TileFullScale(int32_t areaWidth, int32_t areaHeight);
  void ShowReducedImage();
  // Reads the library file again: the lists show what it holds now.
  void ReloadLibrary();
  // Applies edit to the library file as it is now, under its lock; the
  // library then holds the file's contents. An error message when the
  // change did not reach the file.
  UserMessages ChangeLibraryFile(const LibraryEditor& edit);
  UserMessages RefuseUnstorableTexts(const CurrentProgram& texts) const;
  void TakeEditedProgram(const EditedProgram& edited);
};

// A fresh context for the base folder (null is taken as ""): empty texts and
// slots, an empty library, empty images, passes on that many threads (0 for
// ThreadsWanted()). Null when memory could not be had.
std::unique_ptr<FilterContext> CreateFilterContext(const char* baseFolder, int32_t threads = 0);

#endif
