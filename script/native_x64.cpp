// The code generator for x86-64: a program's plan (native_plan.h) written
// out as one function, `int32_t f(ScriptEngine* engine, double* value)`, and
// for most programs a second one that runs the whole pixel loop of a row
// (native_x64_emitter.h says how the code is laid out).
//
// Code memory is mapped writable, written, then switched to read and
// execute; it is never both writable and executable.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "script/native_code.h"
#include "script/native_x64_emitter.h"
#include "script/native_x64_lanes.h"

#if defined(MORFEL_NATIVE_X64)
#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif
#endif

namespace native {
namespace {

#if defined(MORFEL_NATIVE_X64)

using x64::Emitter;
using x64::RowCells;

// Code size bound: far above any program a 2048-character text makes.
constexpr size_t kMaxCodeBytes = size_t{4} << 20;

void* MapWritable(size_t size) {
#if defined(_WIN32)
  return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
#else
  void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return memory == MAP_FAILED ? nullptr : memory;
#endif
}

bool MakeExecutable(void* memory, size_t size) {
#if defined(_WIN32)
  DWORD previous = 0;
  return VirtualProtect(memory, size, PAGE_EXECUTE_READ, &previous) != 0;
#else
  return mprotect(memory, size, PROT_READ | PROT_EXEC) == 0;
#endif
}

void Unmap(void* memory, size_t size) {
  if (memory == nullptr) return;
#if defined(_WIN32)
  (void)size;
  VirtualFree(memory, 0, MEM_RELEASE);
#else
  munmap(memory, size);
#endif
}

// The program alone, again inside the row function and in the lanes' one.
size_t CodeBound(int32_t records) {
  const size_t bound = 3 * (4096 + static_cast<size_t>(records) * 512);
  return bound < kMaxCodeBytes ? bound : kMaxCodeBytes;
}

// The text operands by record, each one ended, at addresses that stay put
// while the program lives: its code points at them.
bool CopyTexts(NativeProgram& program, const Instruction* records, int32_t count) {
  program.texts.reset(new (std::nothrow) char[static_cast<size_t>(count) + 1][kStringOperandSize]);
  if (program.texts == nullptr) return false;
  for (int32_t i = 0; i < count; ++i) {
    char* text = program.texts[static_cast<size_t>(i)];
    text[0] = '\0';
    if (records[i].kind != KIND_STR) continue;
    const size_t length = strnlen(records[i].text, kStringOperandSize - 1);
    std::memcpy(text, records[i].text, length);
    text[length] = '\0';
  }
  return true;
}

// Where the functions start in the program's code memory and what they
// keep in registers.
struct Layout {
  size_t rowStart = 0;  // 0: no row function
  size_t lanesStart = 0;
  int32_t variables = 0;
};

// Writes the program's function and, when `row` is given, its row function
// after it into the program's memory; nullptr, or why it could not.
const char* WriteCode(NativeProgram& program, const Plan& plan, ScriptEngine& engine,
                      const RowCells* row, Layout* layout) {
  const size_t bound = program.mapped;
  try {
    Emitter emitter(program.memory, bound, plan, program, engine);
    emitter.Generate();
    layout->variables = emitter.VariableCount();
    program.codeBytes = emitter.getSize();
    if (emitter.hasUndefinedLabel()) return "the code generator failed";
    if (row == nullptr) return nullptr;
    const size_t rowStart = (program.codeBytes + 63) & ~size_t{63};
    if (rowStart >= bound) return "the machine code would be too long";
    // The row functions run whole passes: the variables no pixel changes
    // are constants to them.
    program.passConstants = FindPassConstants(plan, engine);
    const Plan rowPlan = WithPassConstants(plan, program.passConstants);
    Emitter rowEmitter(static_cast<uint8_t*>(program.memory) + rowStart, bound - rowStart, rowPlan,
                       program, engine, row);
    rowEmitter.Generate();
    program.codeBytes = rowStart + rowEmitter.getSize();
    if (rowEmitter.hasUndefinedLabel()) return "the code generator failed";
    layout->rowStart = rowStart;
    layout->lanesStart = x64::WriteLanes(program, rowPlan, engine, *row);
    return nullptr;
  } catch (const Xbyak::Error& error) {
    return static_cast<int>(error) == Xbyak::ERR_CODE_IS_TOO_BIG
               ? "the machine code would be too long"
               : "the code generator failed";
  } catch (...) {
    return "no memory for the code generator";
  }
}

#endif  // MORFEL_NATIVE_X64

void Say(char* out, size_t size, const char* text) {
  if (out != nullptr && size > 0) std::snprintf(out, size, "%s", text);
}

}  // namespace

NativeProgram* Build(ScriptEngine& engine, const GrowArray<Instruction>& code, int32_t stackLimit,
                     char* reason, size_t reasonSize) {
  Say(reason, reasonSize, "");
  const auto started = std::chrono::steady_clock::now();
#if !defined(MORFEL_NATIVE_X64)
  (void)engine;
  (void)code;
  (void)stackLimit;
  (void)started;
  Say(reason, reasonSize, "no code generator for this processor");
  return nullptr;
#else
  const int32_t count = code.size > 0 ? code.size : 0;
  Plan plan;
  MakePlan(code.data, count, stackLimit, &plan);
  if (!plan.ok) {
    Say(reason, reasonSize, plan.reason);
    return nullptr;
  }
  std::unique_ptr<NativeProgram> program(new (std::nothrow) NativeProgram);
  if (program == nullptr || !CopyTexts(*program, code.data, count)) {
    Say(reason, reasonSize, "no memory for the code generator");
    return nullptr;
  }
  program->records.assign(code.data, code.data + count);
  program->data = code.data;
  program->size = code.size;
  program->stackLimit = stackLimit;
  program->mapped = CodeBound(count);
  program->memory = MapWritable(program->mapped);
  if (program->memory == nullptr) {
    Say(reason, reasonSize, "no memory for machine code");
    return nullptr;
  }
  RowCells rowCells;
  const bool withRow = x64::FindRowCells(engine, code, &rowCells);
  Layout layout;
  const char* failure = WriteCode(*program, plan, engine, withRow ? &rowCells : nullptr, &layout);
  if (failure == nullptr && !MakeExecutable(program->memory, program->mapped))
    failure = "no executable memory for machine code";
  if (failure != nullptr) {
    Say(reason, reasonSize, failure);
    Unmap(program->memory, program->mapped);
    return nullptr;
  }
  program->registerCells.assign(plan.hotCells.begin(), plan.hotCells.begin() + layout.variables);
  program->function = reinterpret_cast<NativeProgram::Function>(program->memory);
  if (layout.rowStart != 0)
    program->row = reinterpret_cast<NativeProgram::RowFunction>(
        static_cast<uint8_t*>(program->memory) + layout.rowStart);
  if (layout.lanesStart != 0)
    program->lanes = reinterpret_cast<NativeProgram::RowFunction>(
        static_cast<uint8_t*>(program->memory) + layout.lanesStart);
  program->buildMilliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  return program.release();
#endif
}

void Destroy(NativeProgram* program) {
  if (program == nullptr) return;
#if defined(MORFEL_NATIVE_X64)
  Unmap(program->memory, program->mapped);
#endif
  delete program;
}

bool BuiltFrom(const NativeProgram& program, const GrowArray<Instruction>& code,
               int32_t stackLimit) {
  if (!StillFor(program, code, stackLimit)) return false;
  const size_t count = program.records.size();
  return count == 0 ||
         std::memcmp(program.records.data(), code.data, count * sizeof(Instruction)) == 0;
}

void Describe(const NativeProgram& program, ScriptEngine& engine, char* out, size_t outSize) {
  if (out == nullptr || outSize == 0) return;
  // Say whether the pixel loop is in the code too, and how many pixels at once.
  int written =
      std::snprintf(out, outSize, "%d bytes of machine code for %d records%s in %.3f ms",
                    static_cast<int>(program.codeBytes), static_cast<int>(program.size),
                    program.row == nullptr ? ""
                    : program.lanes != nullptr && engine.lanesWanted
                        ? program.lanesWidth == 8 ? " and the pixel loop, eight pixels at once"
                                                  : " and the pixel loop, four pixels at once"
                        : " and the pixel loop",
                    program.buildMilliseconds);
  for (size_t v = 0; v < program.registerCells.size(); ++v) {
    if (written < 0 || static_cast<size_t>(written) >= outSize) return;
    const char* name = engine.NameOfCell(program.registerCells[v]);
    written += std::snprintf(out + written, outSize - static_cast<size_t>(written), "%s%s",
                             v == 0 ? "; in registers: " : " ", name != nullptr ? name : "?");
  }
}

}  // namespace native
