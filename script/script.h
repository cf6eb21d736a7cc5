// The script language: compiler, compiled program format and execution loop.
//
// A script text is compiled into a flat postfix list of Instruction records
// and run by a stack machine over doubles. There are no jump targets: if,
// else and while are marker instructions and the loop finds the matching
// marker by counting nesting while it skips records.
//
// Contracts
// - Every script value is a double. Variables live in `variableTable` (a
//   ValueList of Number entries); a VAR instruction holds the address of the
//   variable's cell, which stays valid for the life of the engine because the
//   table is never cleared or shrunk while the engine exists.
// - Texts are NUL-terminated 8-bit strings (program texts come from
//   kScriptTextSize buffers); lines end in LF, CR is a blank. A name or
//   string literal must end within 2047 characters of where it is scanned.
// - Compile tells an empty text, which compiles to an empty program and is
//   no error, from a text with an error, whose line it gives (CompileOutcome).
//   A failed compile also leaves errorDetail: the line and column of the
//   text at fault, the reason and, where one is sure, a hint. A text of
//   comments alone compiles to an empty program.
// - Comments ("//" to the end of the line, "/*" to "*/") are blanks. No
//   text that compiled before they existed holds one outside a string.
// - FindWarnings only reads texts: it compiles them on an engine of its own.
// - Run tells how the program ended (RunOutcome): it finished with a value
//   left on the stack or without one, it executed exit(n), or the engine
//   stopped it and why. Run never writes outside the engine's stacks: every
//   push is checked against the stack size given by Reset/PrepareRun, and a
//   full stack, a too deep while nesting, a missing operand or a record it
//   cannot execute stops the run. What the script sees is the same in every
//   case: variables and images keep what the run stored up to its end.
// - Run budget: no program can keep its caller waiting for ever. Every unit
//   of work (a while loop going round, a pixel of a pass, a row of a
//   whole-plane built-in) counts `workLeft` down; when it reaches zero the
//   engine asks `budget.keepGoing` and either stops the run
//   (StopReason::kInterrupted) or counts kWorkBetweenChecks more. So the
//   check costs a decrement and a branch per unit, and the caller's check
//   (a clock, a key) runs only every few thousand units. A compiler to
//   machine code keeps the same count: it decrements workLeft at every loop
//   going round and calls KeepGoing when it reaches zero or below.
// - While loops nest at most kMaxLoopNesting deep: a deeper loop is a
//   compile error on its own line, so compiled code never stops for that.
// - The compiler never recurses deeper than kMaxNesting levels (a statement
//   or if/while body, an assignment, a comparison and an operand each take
//   one; a parenthesis takes two, so about 125 nested parentheses, 250
//   nested calls or blocks). Deeper text is a compile error on the line
//   where the nesting became too deep, never a native stack overflow: the
//   deepest accepted text needs well under 256 KB of stack. Runs of unary
//   minus and long lists do not nest.
// - The engine owns its code, stacks, variables, image slots and matrices;
//   srcRgb/srcT/dstRgb/dstT are borrowed for the duration of a run.
// - Nothing here throws; memory exhaustion leaves arrays empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "core/value_list.h"
#include "image/image.h"

// Size of every program text and of the run-time text register.
constexpr int32_t kScriptTextSize = 2048;
// Recursion levels the parser may use (see the contract above).
constexpr int32_t kMaxNesting = 256;
// Entries of the run-time stacks after Reset and for a library run.
constexpr int32_t kResetStackSize = 200;
constexpr int32_t kRunStackSize = 500;
// Where compiled code lives: the scratch code, filled by every compile,
// and the two program slots.
enum class ProgramSlot : int32_t {
  kScratch = -1,   // scratch code only (parameter texts, checks)
  kInit = 0,       // the Init program, run once per run
  kTransform = 1,  // the Transform program, run for every pixel
};
constexpr int32_t kProgramSlots = 2;
// While loops that may run inside each other.
constexpr int32_t kMaxLoopNesting = 10;
// Units of work (see the run budget above) between two checks.
constexpr int32_t kWorkBetweenChecks = 4096;
// Image slots and convolution matrices a script can use.
constexpr int32_t kImageSlots = 8;
constexpr int32_t kMatrixSlots = 8;
constexpr int32_t kMatrixCells = 26;
constexpr int32_t kBoundCells = 9;
// Most elements a GrowArray holds: far beyond any program or stack, and a
// bound that keeps a wild index from asking for absurd allocations.
constexpr int32_t kMaxArrayElements = 1 << 24;
// Characters kept from a string literal (plus the terminator).
constexpr int32_t kStringOperandSize = 32;

// Converts a script value to an int32 toward zero. Values beyond the int32
// range saturate and NaN gives 0, so no script value can cause undefined
// behaviour where an integer is needed (indices, slots, modes, exit codes).
inline int32_t TruncateToInt32(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// Length of the comment that starts text: "//" up to, not including, the
// line break or the end; "/*" through its "*/". 0 when none starts there
// or a "/*" is never closed. Comments count as blanks wherever a program
// is read.
int32_t CommentLength(const char* text);

// ---------------------------------------------------------------------------
// Compiled instructions (one line each in instruction_set.h)

enum InstructionKind : int32_t {
#define MORFEL_KIND(NAME, Name, kind) KIND_##NAME = kind,
#include "script/instruction_set.h"
};

// OP codes: the markers and operators, and exit, the one built-in that Run
// carries out itself (its line is in builtin_list.h).
enum OpCode : int32_t {
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves) \
  OP_##NAME = code,
#include "script/instruction_set.h"
#define MORFEL_EXIT_CODE_CALL(code)
#define MORFEL_EXIT_CODE_EXIT(code) OP_EXIT = code,
#define MORFEL_BUILTIN(name, code, args, stackArgs, form, handler, effect, arguments, help) \
  MORFEL_EXIT_CODE_##form(code)
#include "script/builtin_list.h"
#undef MORFEL_EXIT_CODE_CALL
#undef MORFEL_EXIT_CODE_EXIT
};

struct Instruction {
  int32_t kind;  // InstructionKind
  union {
    double value;                   // KIND_CONST
    double* cell;                   // KIND_VAR
    int32_t code;                   // KIND_OP
    char text[kStringOperandSize];  // KIND_STR, always NUL-terminated
  };
};

// ---------------------------------------------------------------------------
// Growable array of plain elements (double, double*, Instruction).
// New elements are zero-filled, so a new Instruction has kind KIND_CONST.

template <typename T>
class GrowArray {
 public:
  T* data = nullptr;
  int32_t size = 0;
  int32_t capacity = 0;

  GrowArray() = default;
  GrowArray(const GrowArray&) = delete;
  GrowArray& operator=(const GrowArray&) = delete;

  // Gives the array fresh storage for n elements (none for n <= 0) and sets
  // size and capacity to n. The previous storage is NOT released: callers
  // release it first (Release) or hand it on. On allocation failure the
  // array ends empty.
  void Allocate(int32_t n) {
    data = nullptr;
    size = 0;
    capacity = 0;
    if (n <= 0 || n > kMaxArrayElements) return;
    data = new (std::nothrow) T[static_cast<size_t>(n)]();
    if (data == nullptr) return;
    size = n;
    capacity = n;
  }

  ~GrowArray() {
    delete[] data;
    Allocate(0);
  }

  // Address of element i, growing the array first when i is not below the
  // capacity: to 20 when i < 20, to i + 1 when i is at least twice the
  // capacity, else to twice the capacity plus 2. Null for a negative i or
  // when the storage cannot be had (more than kMaxArrayElements).
  T* SetAtGrow(int32_t i) {
    if (i < 0) return nullptr;
    if (i >= capacity && !Grow(GrownCapacity(i))) return nullptr;
    if (i >= size) size = i + 1;
    return &data[i];
  }

  // Frees the storage; size and capacity become 0.
  void Release() {
    delete[] data;
    Allocate(0);
  }

  // Sets the size to exactly n: storage is reallocated (existing elements
  // kept) only when n exceeds the capacity, otherwise just the size changes.
  // Returns 1, or 0 when the storage could not be had (array unchanged).
  int32_t Resize(int32_t n) {
    if (n < 0) return 0;
    if (n > capacity && !Grow(n)) return 0;
    size = n;
    return 1;
  }

  // Makes this array a copy of other's elements (size other.size).
  int32_t CopyFrom(const GrowArray& other) {
    if (!Resize(other.size)) return 0;
    for (int32_t k = 0; k < other.size; ++k) data[k] = other.data[k];
    return 1;
  }

 private:
  // Capacity for index i (i >= capacity), by the growth rule above; computed
  // in 64 bits so that huge indexes cannot overflow.
  int64_t GrownCapacity(int32_t i) const {
    if (i < 20) return 20;
    if (i >= 2 * static_cast<int64_t>(capacity)) return static_cast<int64_t>(i) + 1;
    return 2 * static_cast<int64_t>(capacity) + 2;
  }

  // Reallocates to newCapacity elements keeping the first `size`.
  bool Grow(int64_t newCapacity) {
    if (newCapacity > kMaxArrayElements) return false;
    T* fresh = new (std::nothrow) T[static_cast<size_t>(newCapacity)]();
    if (fresh == nullptr) return false;
    for (int32_t k = 0; k < size; ++k) fresh[k] = data[k];
    delete[] data;
    data = fresh;
    capacity = static_cast<int32_t>(newCapacity);
    return true;
  }
};

// ---------------------------------------------------------------------------
// Built-in functions

class ScriptEngine;

// args[0] is the first (deepest) numeric argument; text is the run's text
// register (the file name of LoadBmp and LoadBmpNum).
using BuiltinHandler = double (*)(ScriptEngine& engine, const double* args, const char* text);

// What a call of a built-in does besides computing its value: the
// variables it reaches through the engine's bound cells and the state it
// shares across pixels, which decide whether pixels calling it may run on
// several threads and what the warnings may assume of it.
enum class BuiltinEffect : uint8_t {
  kPure,           // computes from its values alone
  kRandom,         // draws from or seeds the engine's one random sequence
  kEnds,           // exit: ends the run, followed by the analyses themselves
  kReadsSource,    // a source pixel at (cx, cy) + (x, y)
  kGetsSource,     // get: R, G, B from a source pixel; reads G back
  kAddsSource,     // add: adds a source pixel to R, G, B
  kGetsSlot,       // getb: R, G, B from an image slot's pixel when inside
  kSetsHls,        // HLS: sets H, L, S
  kSetsRgb,        // RGB: sets R, G, B
  kConvolves,      // Conv: R, G, B, T from a matrix over the source
  kSlotSize,       // xs, ys: an image slot's size
  kReadsResult,    // reads the result image, which other pixels write
  kWritesResult,   // writes result pixels other than its own
  kSetsMatrix,     // changes a matrix other pixels use
  kLoadsImage,     // changes an image slot other pixels use
  kChangesSource,  // changes the source other pixels read
};

struct BuiltinEntry {
  const char* name;        // null in the closing row
  int32_t code;            // OP code of the call; never 0 except the closing row
  int32_t argCount;        // arguments as written, string literals included
  int32_t stackArgs;       // values the call takes from the stack
  BuiltinHandler handler;  // null for exit, which Run handles itself
  BuiltinEffect effect;
  const char* arguments;  // as a call writes them ("x, y"), for people
  const char* help;       // one line saying what it does
};

// 48 functions and exit, the closing row apart.
constexpr int32_t kBuiltinRows =
#define MORFEL_BUILTIN(name, code, args, stackArgs, form, handler, effect, arguments, help) 1 +
#include "script/builtin_list.h"
    0;
// The built-in functions in look-up order, closed by a row whose name is
// null and whose code and counts are 0.
extern const BuiltinEntry BuiltinTable[kBuiltinRows + 1];

// Row of the built-in with that OP code, or null.
const BuiltinEntry* FindBuiltinByCode(int32_t code);

// ---------------------------------------------------------------------------
// Built-in variables (variable_list.h)

enum class BuiltinVariable : int32_t {
#define MORFEL_VARIABLE(name, Id, field, start, value, pixel, help) k##Id,
#include "script/variable_list.h"
};
constexpr int32_t kBuiltinVariableCount =
#define MORFEL_VARIABLE(name, Id, field, start, value, pixel, help) 1 +
#include "script/variable_list.h"
    0;

// What the pixel driver does with a variable around each pixel's run (the
// pixel column of variable_list.h).
enum class PixelRole : uint8_t {
  kNone,      // nothing
  kCentre,    // read before the program
  kLoaded,    // written before the program
  kOnDemand,  // written before the program only when the program names it
  kResult,    // read first after the program
};

struct BuiltinVariableEntry {
  const char* name;
  PixelRole pixel;
  const char* help;  // one line saying what it holds, for people
};
// The built-in variables in the order they are installed.
extern const BuiltinVariableEntry kBuiltinVariableTable[kBuiltinVariableCount];

inline const BuiltinVariableEntry& EntryOf(BuiltinVariable variable) {
  return kBuiltinVariableTable[static_cast<int32_t>(variable)];
}

// The cells of the pixel variables (every role but kNone), bound by address
// once per pass so that no pixel pays for a name lookup
// (ScriptEngine::BindPixelCells).
struct PixelCells {
#define MORFEL_PIXEL_FIELD_NONE(field)
#define MORFEL_PIXEL_FIELD_CENTRE(field) double* field = nullptr;
#define MORFEL_PIXEL_FIELD_LOADED(field) double* field = nullptr;
#define MORFEL_PIXEL_FIELD_ON_DEMAND(field) double* field = nullptr;
#define MORFEL_PIXEL_FIELD_RESULT(field) double* field = nullptr;
#define MORFEL_VARIABLE(name, Id, field, start, value, pixel, help) \
  MORFEL_PIXEL_FIELD_##pixel(field)
#include "script/variable_list.h"
#undef MORFEL_PIXEL_FIELD_NONE
#undef MORFEL_PIXEL_FIELD_CENTRE
#undef MORFEL_PIXEL_FIELD_LOADED
#undef MORFEL_PIXEL_FIELD_ON_DEMAND
#undef MORFEL_PIXEL_FIELD_RESULT
};

// ---------------------------------------------------------------------------
// Outcomes

struct CompileOutcome {
  enum class Status : uint8_t {
    kCompiled,  // the whole text compiled
    kEmpty,     // the text is empty (or null): an empty program, no error
    kError,     // the text does not compile; `errorLine` says where
  };
  Status status;
  int32_t length;     // characters compiled: the whole text unless kError
  int32_t errorLine;  // kError: the line, from 1, where the error lies
  bool Failed() const { return status == Status::kError; }
};

// Why a text does not compile (one line each in compile_faults.h).
enum class CompileFault : uint8_t {
  kNone,
#define MORFEL_FAULT(Name, format) Name,
#include "script/compile_faults.h"
};

// Where and why a text does not compile, for a message that helps mend it.
// Line and column (from 1, a column counts the bytes of its line) are those
// of the text at fault, which may lie after the start of the statement that
// CompileOutcome::errorLine names when the statement spans lines.
struct CompileDiagnostic {
  CompileFault fault = CompileFault::kNone;
  int32_t offset = 0;  // where the fault lies, from the start of the text
  int32_t line = 0;
  int32_t column = 0;
  char atFault[48] = {};  // the text at fault; "" at the end of the text
  char reason[160] = {};  // "unknown function 'sinn'"
  char hint[64] = {};     // "did you mean 'sin'?" where one is sure, else ""
};

// "reason (hint)", or the reason alone, into out (always terminated).
void FormatDiagnostic(const CompileDiagnostic& diagnostic, char* out, int32_t outSize);

// Where a program plainly does not do what it says (one line each in
// warning_list.h). A warning never stops a run.
enum class WarningKind : uint8_t {
#define MORFEL_WARNING(Name, format) Name,
#include "script/warning_list.h"
};

struct ScriptWarning {
  WarningKind kind;
  ProgramSlot text;  // kInit or kTransform: the text it is about
  int32_t offset;    // in that text
  int32_t line;      // from 1
  int32_t column;    // from 1
  char subject[48];  // the variable, parameter or text concerned
  char message[200];
};

constexpr int32_t kMaxWarnings = 24;

struct ProgramWarnings {
  int32_t count = 0;
  ScriptWarning items[kMaxWarnings];
};

// A declared parameter: its name and the line of its declaration in the
// Init text.
struct DeclaredName {
  const char* name;
  int32_t line;
};

// Looks for what a run would plainly waste or misread: colours or positions
// set where coord discards them, texts used as values, parameters never
// read, Init reading a variable before setting it, conditions that never
// change. initText has its declaration lines blanked (the line numbers
// kept). A text that does not compile gives no warnings of its own. At most
// kMaxWarnings, in text order, Init first.
void FindWarnings(const char* initText, const char* transformText, const DeclaredName* parameters,
                  int32_t parameterCount, ProgramWarnings* out);

// Why the engine stopped a program.
enum class StopReason : uint8_t {
  kNone,
  kStackFull,       // a value found the value stack full
  kLoopNesting,     // a while loop started inside kMaxLoopNesting others
  kMissingOperand,  // an operator or call found fewer values than it takes
                    // (a string literal where a value belongs)
  kBadRecord,       // a record it cannot execute: unknown kind or code, a
                    // variable without a cell, a loop end without its start,
                    // or no program in the slot asked for
  kInterrupted,     // the run budget's check asked to stop
};

// What the reason means, for a message: "the value stack is full".
const char* StopReasonText(StopReason reason);

// ---------------------------------------------------------------------------
// The plan of a program: one walk over every path of its code
//
// The postfix code has no jumps, but its shape is static: at every record
// the number of values on the stack, the variable cell under each of them
// (the target of an assignment) and the loops being executed are the same
// on every path that reaches it, for all code the compiler writes. The plan
// walks every path once with the interpreter's own rules for each record
// (Run) and records that state, turning each record into one action whose
// checks (empty stack, full stack, loop nesting, unknown records) are
// already decided, and whose successors are known. The code generator
// writes machine code from it; the pass analysis follows its paths. Code
// whose state differs between two paths is not planned (ok false).

// The operators of instruction_set.h, by their function's name.
enum class PlanOperator : uint8_t {
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves) k##Name,
#include "script/instruction_set.h"
};

// What a record does on every path that reaches it. Its successors: the
// next record, `target` for kJump and kLoopBack, both for kTest, none for
// kExit, kStop and kUnreached.
enum class PlanAction : uint8_t {
  kUnreached,  // no path runs it: no code
  kNothing,    // nothing at run time (IF-END, LOOP-START)
  kEmpty,      // END: the stack emptied, nothing at run time
  kConst,      // push `value`
  kVar,        // push the variable at `cell`
  kText,       // the text register becomes this record's text
  kJump,       // ELSE: on to `target`
  kTest,       // IF-TEST, LOOP-TEST: pop; 0 goes to `target`
  kLoopBack,   // LOOP-END: one unit of the run budget, then to `target`
  kAssign,     // store the top into `cell` (when not null), drop a
  kOperator,   // `op` on the top one or two values
  kCall,       // `handler` on the top `takes` values
  kExit,       // ends the run with the top value
  kStop,       // the engine stops the run here with `stop`
};

struct PlannedRecord {
  PlanAction action = PlanAction::kUnreached;
  int32_t depth = 0;   // values on the stack before the record
  int32_t target = 0;  // kJump, kTest, kLoopBack: record index (count: the end)
  PlanOperator op = PlanOperator::kAdd;
  StopReason stop = StopReason::kNone;
  int32_t takes = 0;  // kCall: values taken; kOperator: 1 or 2
  BuiltinHandler handler = nullptr;
  double value = 0.0;      // kConst
  double* cell = nullptr;  // kVar, kAssign (null: nothing stored)
  int32_t loops = 0;       // loops being executed before the record
  // kConst, kVar: some record computes with the value pushed here; false
  // when it is only ever stored into (an assignment's target) or dropped.
  bool valueRead = false;
};

struct ProgramPlan {
  std::vector<PlannedRecord> records;  // one per record of the code
  int32_t maxDepth = 0;                // deepest stack a reached record leaves
  bool ok = false;
  char reason[96] = {};  // why not, when !ok
};

// Works out the plan of `count` records for a stack of `stackLimit` values
// (any depth: a stack deeper than the code generator keeps is its own
// concern).
void PlanProgram(const Instruction* code, int32_t count, int32_t stackLimit, ProgramPlan* plan);

// Asked by the engine every kWorkBetweenChecks units of work: false stops
// the run. A null keepGoing never stops it.
struct RunBudget {
  bool (*keepGoing)(void* context) = nullptr;
  void* context = nullptr;
};

struct RunOutcome {
  enum class Status : uint8_t {
    kFinishedWithValue,  // every record executed, a value left: see `value`
    kFinished,           // every record executed (or none), the stack empty
    kExited,             // exit(n) executed: see `exitCode`
    kStopped,            // the engine stopped the program: see `stopReason`
  };
  Status status;
  StopReason stopReason;  // kStopped; otherwise kNone
  int32_t exitCode;       // kExited: exit's argument truncated; otherwise 0
  double value;           // kFinishedWithValue: the top value; otherwise 0.0
  bool HasValue() const { return status == Status::kFinishedWithValue; }
  bool Exited() const { return status == Status::kExited; }
  bool Stopped() const { return status == Status::kStopped; }
};

// Told by a traced run (ScriptEngine::RunTraced) of every record before it
// executes: its index in the program and the stacks as they stand (`top`
// values held; cells[k] is the variable values[k] came from, or null).
struct RunObserver {
  void (*beforeRecord)(void* context, int32_t record, const double* values, double* const* cells,
                       int32_t top) = nullptr;
  void* context = nullptr;
};

// The statement of a text that a record of its code belongs to, for a
// tracer that names what ran. A statement is an expression statement (up to
// its ';') or the head of an if or a while ("if (x>0)", "while (i<3)").
struct StatementSource {
  int32_t from;    // offset of the statement in the text
  int32_t to;      // just past it
  int32_t line;    // of `from`, from 1
  int32_t column;  // of `from`, from 1, in bytes
};

struct StatementMap {
  // In step with the code Compile makes of the text: the index into
  // statements of each record's statement.
  GrowArray<int32_t> statementOf;
  GrowArray<StatementSource> statements;
};

// Compiles text on an engine of its own and maps its records to their
// statements. False when the text does not compile (or memory ran out).
bool MapStatements(const char* text, StatementMap* map);

// ---------------------------------------------------------------------------
// Engines

// The Transform program runs on the interpreter (Run's own loop, the
// reference) or as machine code made from the same records (x86-64 only),
// which gives every pixel, variable, exit and stop the interpreter gives.
enum class EngineKind : uint8_t { kInterpreter, kCompiled };

struct EngineChoice {
  EngineKind kind;
  char reason[96];  // kInterpreter: why ("" never); kCompiled: what was made
};

// The engine the environment asks for: MORFEL_ENGINE=interpreter or
// compiled; anything else, or nothing, is compiled.
EngineKind EngineFromEnvironment();
// Whether the compiled engine may run four pixels at once where the
// processor has the vector instructions for it: MORFEL_LANES=off forbids it
// (the scalar code then runs every pixel, as on a processor without them),
// and so too the row fetch's Linear and Bezier sampling four values at once.
bool LanesFromEnvironment();
// Whether they may be eight pixels at once where the processor has the
// 512-bit instructions: MORFEL_LANES=four keeps them at four, as on a
// processor with AVX2 alone.
bool WideLanesFromEnvironment();

// Machine code of a Transform program (script/native_code.h).
struct NativeProgram;

// Where the driver fetches a pixel's colour for a coord other than 0: the
// source planes, the offset of 256 sizes that keeps wrapped positions
// positive, and the pass's interpolation (transform's fetch is the
// reference). A null `rgb` leaves every such pixel to `storeOther`.
struct CompiledFetch {
  const uint8_t* rgb;  // 3 bytes a pixel
  const uint8_t* t;
  int64_t rgbRowLength;
  int64_t tRowLength;
  int64_t width;
  int64_t height;
  int64_t tileX;  // 256 widths, as an integer and as a double
  int64_t tileY;
  double tileOffsetX;
  double tileOffsetY;
  int32_t interpolation;  // an Interpolation
};

// One row of a pass run by machine code: for each column from `column` to
// `width`, the pixel driver's work (transform's pixel driver is the
// reference): a unit of the run budget, x and y from the column, the row and
// cx, cy (and r and t for a program that names them), R, G, B and T from
// the source bytes, the Transform program, and the result written by coord:
// coord 0 clamped into the destination bytes, any other coord in 0..2
// fetched from `fetch` with its interpolation, the rest left as they are; a
// position too far out for the machine code by `storeOther` from the
// variables' cells.
struct CompiledRowFrame {
  const uint8_t* sourceRgb;  // the row's first pixel, 3 bytes a pixel
  const uint8_t* sourceT;
  uint8_t* destinationRgb;
  uint8_t* destinationT;
  void (*storeOther)(void* context, int32_t column);
  void* context;
  double row;
  double loadedX;  // the position the last loaded pixel was given
  double loadedY;
  int32_t width;
  int32_t column;  // in: the first column; out: where the row stopped
  CompiledFetch fetch;
};

// How a compiled row ended: every column done, the budget's check refused
// the next pixel before it was loaded, or the program at `column` exited or
// was stopped (`outcome`), its result not yet written.
struct CompiledRowEnd {
  enum class Kind : uint8_t { kRowDone, kOutOfBudget, kProgramEnded };
  Kind kind;
  RunOutcome outcome;
};

// ---------------------------------------------------------------------------
// The engine

class ScriptEngine {
 public:
  ScriptEngine();
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  // Compiler: furthest end reached by a completed statement sequence.
  const char* furthestPoint = nullptr;
  GrowArray<double> valueStack;
  // In step with valueStack: the cell of each value that came from a VAR,
  // null for any other value.
  GrowArray<double*> addressStack;
  // Line (from 1) of the last compile error.
  int32_t errorLine = 0;
  // The last compile error in detail (set with errorLine by Compile,
  // CompileList and CompileValue).
  CompileDiagnostic errorDetail;
  ValueList variableTable;
  // Filled by every compile; run as ProgramSlot::kScratch.
  GrowArray<Instruction> scratchCode;
  // Owned array of two: ProgramSlot::kInit and ProgramSlot::kTransform.
  GrowArray<Instruction>* programSlots = nullptr;
  // Planes of the current run, borrowed, set by BindRun.
  RgbtImage* srcRgb = nullptr;
  RgbtImage* srcT = nullptr;
  RgbtImage* dstRgb = nullptr;
  RgbtImage* dstT = nullptr;
  RgbtImage imageSlot[kImageSlots];
  // Cells of cx, cy, R, G, B, T, H, L, S in that order (BindRun).
  double* boundCells[kBoundCells] = {};
  // Row-major coefficients then the factor (element 9 for 3x3, 25 for 5x5).
  double matrixSlot[kMatrixSlots][kMatrixCells] = {};
  int32_t matrixSize[kMatrixSlots] = {};  // 0 never set, 3 or 5
  // Folder from which LoadBmp reads (ends in a separator or is empty).
  char baseFolder[256] = {};
  // The run budget (see the contract above): units of work left before the
  // next check, and the check.
  int32_t workLeft = kWorkBetweenChecks;
  RunBudget budget;
  // Which engine runs the Transform program; the compiled one falls back to
  // the interpreter for a program it cannot run exactly (ChooseEngine).
  EngineKind engineWanted = EngineFromEnvironment();
  bool lanesWanted = LanesFromEnvironment();
  bool wideLanesWanted = WideLanesFromEnvironment();  // read when the code is made

  // Stacks back to 200 entries, empty program slots, matrices cleared.
  void Reset();
  // Compiles a statement sequence into scratchCode and, for the Init or
  // Transform slot, into that slot too (also when the compile fails, so a
  // failed compile leaves the code of the statements that compiled). An
  // error also sets errorLine.
  CompileOutcome Compile(const char* text, ProgramSlot slot);
  // Compiles one comma-separated expression list (no statements, no END).
  CompileOutcome CompileList(const char* text, ProgramSlot slot);
  // Compiles one value: a single expression as it may stand between
  // parentheses (a comparison, a list), with nothing after it; no
  // statement, no assignment. Into scratchCode only.
  CompileOutcome CompileValue(const char* text);
  // Executes the code of a slot. See the contract above.
  RunOutcome Run(ProgramSlot slot);
  // Run on the interpreter, the machine code aside, telling observer of
  // every record: the same outcome, variables and images as Run. Run itself
  // never looks for an observer, so untraced runs pay nothing for tracing.
  RunOutcome RunTraced(ProgramSlot slot, const RunObserver& observer);

  // Stores the 21 built-in variables for that image's size; existing cells
  // are kept and only get the new value.
  void InstallBuiltinVariables(const RgbtImage& image);
  void DefineVariable(const char* name, double value);
  double* VariableCell(const char* name);
  // The cell of a built-in variable; null before InstallBuiltinVariables.
  double* BuiltinCell(BuiltinVariable variable);
  // The name of the variable whose cell that is, or null.
  const char* NameOfCell(const double* cell) const;
  // Fills every cell of `cells`; false when one is not installed.
  bool BindPixelCells(PixelCells* cells);
  // True when the code names a variable worked out only on demand
  // (PixelRole::kOnDemand: r, t). Only then are they written before each
  // pixel; nothing else can see them, since no built-in reaches them.
  bool NamesOnDemandVariable(const GrowArray<Instruction>& code);
  bool NamesOnDemandVariable(ProgramSlot slot) {
    const GrowArray<Instruction>* code = ProgramAt(slot);
    return code != nullptr && NamesOnDemandVariable(*code);
  }
  int32_t LookupNumber(const char* name, double* value);
  // Both stacks to exactly n entries. Returns 1, or 0 when out of memory.
  int32_t PrepareRun(int32_t n);
  void BindRun(RgbtImage* sourceRgb, RgbtImage* sourceT, RgbtImage* destRgb, RgbtImage* destT);
  // Copies the folder LoadBmp reads from (truncated to fit).
  void SetBaseFolder(const char* folder);
  // Makes this engine a copy of `origin` that can run origin's Transform
  // program on another thread while origin waits: every variable with its
  // value, in cells of this engine's own table (the same names at the same
  // indices), the Transform program with its VAR records pointing at those
  // cells, stacks of origin's size, the matrices, the base folder and the
  // planes origin has bound; the image slots too when withImageSlots. The
  // budget is not copied. False when out of memory.
  bool CopyForPass(const ScriptEngine& origin, bool withImageSlots);

  // Counts units of work off the budget; false when the run must stop.
  // Inline: the per-pixel driver spends one unit per pixel.
  bool SpendWork(int32_t units) {
    workLeft -= units;
    return workLeft > 0 || KeepGoing();
  }
  // Counts the work of a built-in that covers a whole plane (a unit a row);
  // the next loop turn or pixel then checks the budget sooner.
  void ChargeWork(int32_t units) {
    if (units > 0 && workLeft > -kWorkBetweenChecks) workLeft -= units;
  }
  // Asks the budget's check (workLeft has run out): true to go on, with
  // kWorkBetweenChecks more units; false to stop.
  bool KeepGoing();

  // Makes the machine code of the Transform program when it is wanted and
  // missing or out of date (its records compared whole), and says which
  // engine Run will use for it and why. Run does this by itself on first
  // use; a pass calls it once before its pixels.
  EngineChoice ChooseEngine();
  // Drops the machine code (the Transform program changed).
  void DiscardNativeProgram();
  // True when the machine code made by the last ChooseEngine has a row
  // function for the Transform program as it is now; RunCompiledRow may
  // then be called.
  bool HasCompiledRow();
  CompiledRowEnd RunCompiledRow(CompiledRowFrame* frame);

  // The code of a slot, or null for a value outside the enumeration.
  // Inline: Run asks for it once per pixel.
  GrowArray<Instruction>* ProgramAt(ProgramSlot slot) {
    if (slot == ProgramSlot::kScratch) return &scratchCode;
    const int32_t index = static_cast<int32_t>(slot);
    if (index < 0 || index >= kProgramSlots || programSlots == nullptr) return nullptr;
    return &programSlots[index];
  }

  // Values Run may hold on its stack.
  int32_t StackLimit() const {
    return valueStack.size < addressStack.size ? valueStack.size : addressStack.size;
  }

 private:
  NativeProgram* nativeProgram = nullptr;
  // The program storage, size and stack limit of the last attempt to make
  // machine code, so a program that cannot have it is not tried per pixel.
  const Instruction* nativeTriedData = nullptr;
  int32_t nativeTriedSize = -1;
  int32_t nativeTriedLimit = -1;
  char nativeReason[96] = {};
};

// Writes a compiled program as text, e.g. "VAR x | CONST 1 | OP = | END",
// into out (always terminated, truncated to outSize). Variables are named
// from the engine's table. Returns the length written.
int32_t DisassembleProgram(ScriptEngine& engine, const GrowArray<Instruction>& code, char* out,
                           int32_t outSize);
