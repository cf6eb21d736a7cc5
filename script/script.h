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
// - Compile results: characters compiled, or 0 with `errorLine` set. An empty
//   text also gives 0 (callers treat that as success).
// - Run results: 1 value left (top written to *result), 0 empty stack (0.0
//   written) or stopped at code it cannot execute (result untouched), n from
//   exit(n). Run never writes outside the engine's stacks: every push is
//   checked against the stack size given by Reset/PrepareRun and a full
//   stack, a too deep while nesting or a missing operand stops the run with 0.
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

#include "core/value_list.h"
#include "image/image.h"

// Size of every program text and of the run-time text register.
constexpr int32_t kScriptTextSize = 2048;
// Recursion levels the parser may use (see the contract above).
constexpr int32_t kMaxNesting = 256;
// Entries of the run-time stacks after Reset and for a library run.
constexpr int32_t kResetStackSize = 200;
constexpr int32_t kRunStackSize = 500;
// Program slots: 0 the Init program, 1 the Transform program.
constexpr int32_t kProgramSlots = 2;
// While loops that may run inside each other.
constexpr int32_t kMaxLoopNesting = 10;
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

// ---------------------------------------------------------------------------
// Compiled instructions

enum InstructionKind : int32_t {
  KIND_CONST = 0,  // pushes `value`; the address stack gets an empty entry
  KIND_VAR = 1,    // pushes *cell; the address stack gets `cell`
  KIND_OP = 2,     // marker, operator or built-in call, by `code`
  KIND_STR = 3,    // copies `text` into the run's text register
};

// OP codes. A two-character token takes the code of its first character
// plus 256.
enum OpCode : int32_t {
  OP_END = ';',
  OP_IF_TEST = '?',
  OP_ELSE = '?' + 256,
  OP_IF_END = '}',
  OP_LOOP_START = '(',
  OP_LOOP_TEST = '(' + 256,
  OP_LOOP_END = ')',
  OP_ADD = '+',
  OP_SUB = '-',
  OP_MUL = '*',
  OP_DIV = '/',
  OP_MOD = '%',
  OP_LT = '<',
  OP_GT = '>',
  OP_LE = '<' + 256,
  OP_GE = '>' + 256,
  OP_EQ = '=' + 256,
  OP_NE = '!' + 256,
  OP_AND = '&',
  OP_OR = '|',
  OP_ASSIGN = '=',
  OP_NEG = '-' + 256,
  OP_EXIT = 0x71,  // the built-in exit(n), handled by Run itself
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
  virtual void Allocate(int32_t n) {
    data = nullptr;
    size = 0;
    capacity = 0;
    if (n <= 0 || n > kMaxArrayElements) return;
    data = new (std::nothrow) T[static_cast<size_t>(n)]();
    if (data == nullptr) return;
    size = n;
    capacity = n;
  }

  virtual ~GrowArray() {
    delete[] data;
    Allocate(0);
  }

  // Address of element i, growing the array first when i is not below the
  // capacity: to 20 when i < 20, to i + 1 when i is at least twice the
  // capacity, else to twice the capacity plus 2. Null for a negative i or
  // when the storage cannot be had (more than kMaxArrayElements).
  virtual T* SetAtGrow(int32_t i) {
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

struct BuiltinEntry {
  const char* name;        // null in the closing row
  int32_t code;            // OP code of the call; never 0 except the closing row
  int32_t argCount;        // arguments as written, string literals included
  int32_t stackArgs;       // values the call takes from the stack
  BuiltinHandler handler;  // null for exit, which Run handles itself
};

constexpr int32_t kBuiltinRows = 49;  // 48 functions + exit, closing row apart
// The built-in functions in look-up order, closed by a row whose name is
// null and whose code and counts are 0.
extern const BuiltinEntry BuiltinTable[kBuiltinRows + 1];

// Row of the built-in with that OP code, or null.
const BuiltinEntry* FindBuiltinByCode(int32_t code);

// ---------------------------------------------------------------------------
// The engine

class ScriptEngine {
 public:
  ScriptEngine();
  virtual ~ScriptEngine();
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
  ValueList variableTable;
  // Filled by every compile; run with slot -1.
  GrowArray<Instruction> scratchCode;
  // Owned array of two: slot 0 the Init program, slot 1 the Transform one.
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

  // Stacks back to 200 entries, empty program slots, matrices cleared.
  void Reset();
  // Compiles a statement sequence into scratchCode and, for slot 0 or 1,
  // into that program slot (also when the compile fails). Characters
  // compiled, or 0 with errorLine set.
  int32_t Compile(const char* text, int32_t slot);
  // Compiles one comma-separated expression list (no statements, no END).
  int32_t CompileList(const char* text, int32_t slot);
  // Executes scratchCode (slot -1) or a program slot. See the contract above.
  int32_t Run(double* result, int32_t slot);

  // Stores the 21 built-in variables for that image's size; existing cells
  // are kept and only get the new value.
  void InstallBuiltinVariables(const RgbtImage& image);
  void DefineVariable(const char* name, double value);
  double* VariableCell(const char* name);
  int32_t LookupNumber(const char* name, double* value);
  // Both stacks to exactly n entries. Returns 1, or 0 when out of memory.
  int32_t PrepareRun(int32_t n);
  void BindRun(RgbtImage* sourceRgb, RgbtImage* sourceT, RgbtImage* destRgb, RgbtImage* destT);
  // Copies the folder LoadBmp reads from (truncated to fit).
  void SetBaseFolder(const char* folder);

  // The code of a slot (-1 scratch, 0, 1), or null for any other slot.
  // Inline: Run asks for it once per pixel.
  GrowArray<Instruction>* ProgramAt(int32_t slot) {
    if (slot == -1) return &scratchCode;
    if (slot < 0 || slot >= kProgramSlots || programSlots == nullptr) return nullptr;
    return &programSlots[slot];
  }
};

// Writes a compiled program as text, e.g. "VAR x | CONST 1 | OP = | END",
// into out (always terminated, truncated to outSize). Variables are named
// from the engine's table. Returns the length written.
int32_t DisassembleProgram(ScriptEngine& engine, const GrowArray<Instruction>& code, char* out,
                           int32_t outSize);
