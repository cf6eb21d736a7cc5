// Transform runs: the per-pixel driver, the orchestration of a whole run
// (parameters, Init program, passes) and the parameter declarations of an
// Init text.
//
// Contracts
// - Images of a run: source RGB and destination RGB have 3 channels (blue,
//   green, red), source T and destination T 1 channel; all four have the
//   width and height of source RGB. Rows may be padded (rowLength at least
//   width * channels). Images that break this are refused and left
//   untouched, so a mismatched caller can never make the driver read or
//   write outside a buffer. The images are borrowed for the call; the engine
//   keeps pointers to them (BindRun) until the next run binds others.
// - The engine must hold the compiled Init and Transform programs in their
//   slots (ProgramSlot::kInit, kTransform); a run compiles only the
//   parameter assignments.
// - Positions computed by a script wrap around the image edges (the image
//   tiles the plane). Any position, however far out, infinite or NaN, ends
//   up on a pixel inside the image.
// - Parameter slots: slot i is declared while slots 0..i all have non-empty
//   names; at most kParamSlotCount. Texts in slots are read at most to
//   kNameTextSize - 1 characters, so an unterminated slot is never overrun.
// - Nothing here knows about windows: errors for the user go through the
//   ErrorDisplay given by the caller, the parameter rows of the main dialog
//   through a ParamRowView.
// - Nothing throws; nothing allocates per pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "image/image.h"
#include "script/script.h"

// ---------------------------------------------------------------- slots

constexpr int kParamSlotCount = 12;
constexpr int kNameTextSize = 128;  // 127 characters + NUL

// One of the twelve parameter slots of the main dialog.
struct ParamSlot {
  char message[kNameTextSize];  // label text, also used in run error messages
  char name[kNameTextSize];     // script variable; empty marks the end of the declared ones
  char value[kNameTextSize];    // value text: an expression, as typed or defaulted
  int32_t minimum;
  int32_t maximum;
};

// ---------------------------------------------------------------- lines

// Reads one LF-separated line of text into line (at most lineSize - 1
// characters, NUL-terminated). Empty lines are skipped. The LF is consumed,
// not copied; a CR before it stays in the line. A line longer than
// lineSize - 1 is delivered in pieces: its remainder comes as the next line.
// Returns the number of characters of text consumed, 0 when no line is left.
int ReadLine(const char* text, char* line, int lineSize);

// ---------------------------------------------------------------- planes

// The two planes of an image: colour (3 channels) and transparency (1).
struct Planes {
  RgbtImage& rgb;
  RgbtImage& t;
};

// The planes that receive a run's result: the colour plane tells its
// progress.
struct ResultPlanes {
  ProgressImage& rgb;
  RgbtImage& t;
  operator Planes() const { return {rgb, t}; }
};

// ---------------------------------------------------------------- driver

// The first program run of a run that the engine stopped (StopReason; the
// budget's interruptions apart), and where: the destination pixel, or
// x = y = -1 for the Init program.
struct StopRecord {
  StopReason reason = StopReason::kNone;
  int32_t x = -1;
  int32_t y = -1;
};

struct PassOutcome {
  int32_t rows;      // rows finished
  bool interrupted;  // the run budget's check stopped the pass
  StopRecord firstStop;
};

// One pass: for every destination pixel in row order sets x, y, r, t, R, G,
// B, T, runs the Transform program (slot 1) and writes the pixel according
// to "coord": 0 the colour variables (clamped to 0..255, truncated), 1 the
// source fetched at the polar position (r, t), 2 at (x, y); any other value
// (or NaN) leaves the destination pixel as it was. T is copied from the
// source pixel that contains the position, never interpolated. After each
// finished row calls destination.rgb.progress(row, height) when set. exit
// with a negative argument ends the pass at that pixel. A pixel's program
// that the engine stops leaves its pixel written as "coord" says, as any
// other, and the pass goes on; the first such stop is noted. Every pixel
// counts one unit of the engine's run budget: when its check says stop, the
// pass ends there.
// The outcome's rows: the height for a whole pass, fewer when ended early,
// 0 when the images or the engine's variables are not fit for a pass
// (nothing written).
// With threads (see PassThreads), a program whose pixels are independent
// (AnalysePass) has its rows spread over them; the planes, the variables,
// the outcome and the progress calls (from the calling thread, in row order)
// are exactly those of one thread. An interruption by the budget leaves the
// rows after the last one reported in any state.
class PassThreads;
PassOutcome TransformPixels(const Planes& source, const ResultPlanes& destination,
                            ScriptEngine& engine, Interpolation interpolation,
                            PassThreads* threads = nullptr);

// 1 when the four planes fit together as the images of a pass (see the
// contract above), else 0.
int32_t ImagesFitForRun(const Planes& source, const Planes& destination);

// ---------------------------------------------------------------- threads

// Why a pass runs on one thread: the pixels of the program are not shown to
// be independent of each other. Each text names the variable or built-in
// in %s.
#define MORFEL_ONE_THREAD_REASONS(X)                                                   \
  X(kNone, "")                                                                         \
  X(kCarriesVariable, "the variable %s keeps a value from one pixel for the next")     \
  X(kRandom, "%s draws from one random sequence in pixel order")                       \
  X(kReadsResult, "%s reads the result image while the pass writes it")                \
  X(kWritesResult, "%s writes the result image beyond the pixel's own")                \
  X(kLoadsImage, "%s loads an image")                                                  \
  X(kSetsMatrix, "%s sets a matrix that later pixels read")                            \
  X(kChangesSource, "%s changes the source image")                                     \
  X(kMayStop, "the engine may stop the program partway (a value missing or too many)") \
  X(kOneThreadAsked, "one thread asked")

enum class OneThreadReason : uint8_t {
#define MORFEL_ONE_THREAD_REASON_NAME(name, text) name,
  MORFEL_ONE_THREAD_REASONS(MORFEL_ONE_THREAD_REASON_NAME)
#undef MORFEL_ONE_THREAD_REASON_NAME
};

// What the analysis of the Transform program found. Every pixel of an
// accepted program (reason kNone) leaves its result and every variable it
// writes as a function of its own position and colour and of the values
// the parameters and the Init program left: no variable it writes is read
// before this pixel wrote it on every path, counting the driver's reads
// (cx, cy before the program, "coord" and the position and colour
// variables after it), and no built-in keeps state across pixels.
struct PassAnalysis {
  OneThreadReason reason = OneThreadReason::kNone;
  char name[64] = {};       // the variable or built-in the reason names
  bool mayExit = false;     // the program calls exit
  bool readsSlots = false;  // the program reads the image slots
  // Cells the program may write (assignments and the built-ins' bound
  // variables), each once.
  std::vector<double*> written;
  bool Independent() const { return reason == OneThreadReason::kNone; }
};

// Analyses the Transform program (slot kTransform) of the engine. Its
// variables must be installed (a run's or InstallBuiltinVariables).
PassAnalysis AnalysePass(ScriptEngine& engine);

// "several" or "one (<reason>)" into out (always terminated): the line
// `morfel check --explain` shows after "threads: ". Returns the length.
int32_t DescribeThreads(const PassAnalysis& analysis, char* out, int32_t outSize);

// Threads a pass may use: MORFEL_THREADS when it holds a whole number from
// 1 to kMaxPassThreads, else every hardware thread (at most that many).
constexpr int32_t kMaxPassThreads = 64;
int32_t ThreadsWanted();

// The worker threads of passes whose pixels are independent, each with an
// engine of its own. Whoever keeps an engine from run to run owns one (the
// filter context); the threads start at the first pass that uses them and
// end, joined, with this object. One run uses it at a time.
class PassThreads {
 public:
  explicit PassThreads(int32_t threads = ThreadsWanted());
  ~PassThreads();
  PassThreads(const PassThreads&) = delete;
  PassThreads& operator=(const PassThreads&) = delete;

  int32_t count() const { return count_; }

  struct Pool;
  Pool* pool() { return pool_; }

 private:
  int32_t count_;
  Pool* pool_;
};

// ---------------------------------------------------------------- run

// View flags a run reports for the preview.
using RunFlags = uint32_t;
constexpr RunFlags kRunFlagScale = 1;   // "vScale": show unscaled source pixels
constexpr RunFlags kRunFlagTplane = 2;  // "vTplane": darken the preview by T

// Where a run shows errors to the user. The plug-in frame shows a message
// box titled "error" with a stop icon, owned by `owner`; tests record.
class ErrorDisplay {
 public:
  virtual ~ErrorDisplay() = default;
  virtual void ShowError(void* owner, const char* text) = 0;
};

// What a run needs besides its images.
struct RunEnvironment {
  ScriptEngine* engine;
  const ParamSlot* slots;          // kParamSlotCount slots; null means no parameters
  ErrorDisplay* errors;            // null: errors are not shown, only returned
  void* owner;                     // handed to ErrorDisplay::ShowError
  RunBudget budget = {};           // asked now and then (see script.h); none: never stops
  PassThreads* threads = nullptr;  // null: every pass on the calling thread
};

// Passes a run may take; a program that asks for more is refused whole
// rather than left to run for days.
constexpr int32_t kMaxPasses = 10000;

struct TransformOutcome {
  enum class Status : uint8_t {
    kFinished,        // Init and every pass ran (programs the engine stopped:
                      // see firstStop)
    kNotRun,          // images that do not fit together, or no memory for
                      // the stacks: nothing shown, no image touched
    kParameterError,  // a parameter value is no value; its message shown
    kTooManyPasses,   // "loop" asks for more than kMaxPasses; message shown
    kInterrupted,     // the budget's check stopped the run
  };
  Status status = Status::kNotRun;
  StopRecord firstStop;
  bool Finished() const { return status == Status::kFinished; }
};

// "The program was stopped at pixel (x, y): <reason>." or "The Init program
// was stopped: <reason>." into out (always terminated). 0 when nothing was
// stopped (out is then empty), else the length.
int32_t DescribeStop(const StopRecord& stop, char* out, int32_t outSize);

// Longest composed parameter assignment: name "=" value ";" with both
// texts at their full 127 characters, plus the terminator.
constexpr int32_t kAssignmentTextSize = 2 * (kNameTextSize - 1) + 3;

// A whole run: resets the built-in variables for the source size, assigns
// each declared parameter by compiling "name=value;" (a value text that is
// not one expression, or whose assignment the engine stops, shows
// "Parameter error at <message>." before any image is touched), fills
// destination T with 255, binds the four images, runs Init once and then
// "loop" passes (the count read after Init, truncated; none when below 1;
// more than kMaxPasses shows "The program asks for <n> passes; a run takes
// at most 10000." and runs none). Between passes, when "keepImage" is
// exactly 0, source and destination exchange contents so the next pass
// reads this pass's result. When flags is not null it receives
// kRunFlagScale and kRunFlagTplane from "vScale" and "vTplane" (integer
// part non-zero). The environment's budget holds for the whole run.
TransformOutcome RunTransform(const RunEnvironment& environment, const Planes& source,
                              const ResultPlanes& destination, Interpolation interpolation,
                              RunFlags* flags);

// ---------------------------------------------------------------- one pixel, traced

// What one pixel of a traced run became.
struct PixelOutcome {
  RunOutcome init = {};       // how the Init program ended
  RunOutcome transform = {};  // how the pixel's Transform program ended
  int32_t passes = 0;         // the passes the run asks for ("loop" after Init)
  bool ran = false;           // the pixel's Transform program ran
  double x = 0.0;             // the position the program was given
  double y = 0.0;
  bool written = false;  // the pixel was written ("coord" 0, 1 or 2, the pass not ended)
  double coord = 0.0;    // "coord" after the program
  // "coord" 1 or 2: where the source was read, in pixels from the top-left
  // corner before the position wraps into the image.
  double readX = 0.0;
  double readY = 0.0;
  uint8_t rgb[3] = {};  // the pixel written: blue, green, red
  uint8_t t = 0;
};

// One pixel run as the first pass of RunTransform runs it, for a tracer:
// the same parameters, Init, variables and images, then the Transform
// program for the destination pixel at (column, row) alone (counted from
// the top-left), written into the destination as the pass writes it. The
// pixels before it are not run, so a program that carries values from pixel
// to pixel sees them as Init left them. Both programs run on the
// interpreter, telling their observers of every record. kNotRun also when
// (column, row) lies outside the image; no pass runs when "loop" is below 1
// (pixel->ran false).
TransformOutcome TracePixel(const RunEnvironment& environment, const Planes& source,
                            const Planes& destination, Interpolation interpolation, int32_t column,
                            int32_t row, const RunObserver& initObserver,
                            const RunObserver& transformObserver, PixelOutcome* pixel);

// ---------------------------------------------------------------- parameters

// Number of declared slots: the index of the first slot with an empty name,
// at most kParamSlotCount.
int32_t DeclaredParamCount(const ParamSlot slots[kParamSlotCount]);

// Evaluates a parameter text (a comma-separated expression list, e.g. "50",
// "xs*3") as the main dialog does: built-in variables as for a 10 x 10
// image, the value of the last expression truncated toward zero. 0 when the
// text does not compile to its end. Overwrites the engine's scratch code and
// resets its built-in variables; the compiled programs and the images bound
// by the last run are kept.
int32_t EvaluateParamText(ScriptEngine& engine, const char* text);

// Copies text into destination (destinationSize bytes, always terminated),
// leaving out on every line that begins with prefix everything up to the
// line's CR or LF. Line breaks are all kept, so line numbers of the result
// match the text. An empty or null prefix leaves every line. Returns the
// number of characters written.
int32_t StripDeclarationLines(const char* text, const char* prefix, char* destination,
                              int32_t destinationSize);

// Longest Init text line the declaration scan looks at; a declaration line
// longer than this is malformed, any other long line is ignored whole.
constexpr int32_t kDeclarationLineMax = 255;

enum DeclarationMode : int32_t {
  kDeclareDefaults = 0,    // another program chosen: values become defaults
  kDeclareCheckOnly = 1,   // editor check: slots filled, rows and count untouched
  kDeclareKeepValues = 2,  // dialog opened / set loaded: kept values win
};

// The main dialog's parameter rows, updated by ParseParamDeclarations in the
// modes that show parameters.
class ParamRowView {
 public:
  virtual ~ParamRowView() = default;
  // Row back to hidden: empty label, empty disabled edit box, disabled
  // slider with range 0..1 at position 0.
  virtual void ResetRow(int32_t row) = 0;
  // Row shown for its declared slot: label := message, edit := value text,
  // slider over minimum..maximum at sliderPosition (the value text
  // evaluated), all enabled.
  virtual void ShowRow(int32_t row, const ParamSlot& slot, int32_t sliderPosition) = 0;
};

// Where parameter declarations go.
struct ParamTable {
  ParamSlot* slots;     // kParamSlotCount slots
  int32_t* paramCount;  // declared count as last shown (may be null)
};

// Reads the "?name,message,minimum,maximum,default;" lines of initText into
// the slots, in order; minimum and maximum are evaluated with
// EvaluateParamText, the default is kept as text. Modes:
// - kDeclareDefaults: every row is reset, every slot emptied; after a good
//   parse each slot's value text is its default, *paramCount the number of
//   declarations and the declared rows are shown.
// - kDeclareKeepValues: as kDeclareDefaults, but value texts survive the
//   reset and only an empty one takes its default.
// - kDeclareCheckOnly: only the declared slots change (value := default);
//   view and *paramCount are untouched.
// A declaration is malformed when a field is empty or lacks its comma, a
// field does not fit its slot, or the text after the fourth comma is not
// "default;" followed by exactly one character (the CR of CR LF). Returns 1,
// or 0 for a malformed or a thirteenth declaration: the rows then stay
// reset, *paramCount keeps its value and slots filled by earlier lines keep
// them. view may be null.
int32_t ParseParamDeclarations(ScriptEngine& engine, const char* initText, const ParamTable& table,
                               DeclarationMode mode, ParamRowView* view);
