// The recursive-descent parser: works straight on the text with the
// scanners and appends postfix code to the engine's scratchCode as soon as a
// construct is recognized. A rule that fails after emitting code cuts the
// code back to where it began, so only the code of the alternatives that
// succeeded remains. Every rule returns the characters it consumed, 0 when
// it did not match.
#pragma once

#include <cstdint>

#include "script/operators.h"
#include "script/script.h"

// What the parser looked for and did not find, as bits: at the furthest
// position where something was missing, they say what was expected there.
enum MissedItem : uint32_t {
  kMissedSemicolon = 1u << 0,   // ';' ending a statement
  kMissedCloseParen = 1u << 1,  // ')'
  kMissedCloseBrace = 1u << 2,  // '}'
  kMissedOpenParen = 1u << 3,   // '(' after if, while or a built-in
  kMissedOpenBrace = 1u << 4,   // '{' of a while body
  kMissedValue = 1u << 5,       // an operand
  kMissedStatement = 1u << 6,   // the start of a statement
  kMissedOther = 1u << 7,       // an operator, ',' or '='
};

// A fault found on the way, with the text it covers: a call with the wrong
// number of values, a name used as a function that is none.
struct ParseFinding {
  CompileFault fault;
  const char* from;  // the name
  const char* to;    // just after the '(' or ')' that showed the fault
  int32_t wanted;
  int32_t given;
};
constexpr int32_t kMaxFindings = 16;

// What a record stands for in its text, kept when a SourceMap is asked for.
enum class RecordRole : uint8_t {
  kPlain,
  kAssignTarget,  // the VAR an assignment stores into
  kTextAsValue,   // a STR an operator, a test or an assignment takes
};

struct RecordSource {
  int32_t offset;  // of the record's token in the text
  RecordRole role;
  int32_t partner;  // OP '=': index of its target VAR record; else -1
};

// Record i of the code came from source.data[i] (kept in step with the
// code as the parser cuts back).
using SourceMap = GrowArray<RecordSource>;

class Parser {
 public:
  explicit Parser(ScriptEngine& engine, const char* text = nullptr, SourceMap* sources = nullptr);

  // sequence: statement { statement }
  int32_t Sequence(const char* p);
  // list: additive [ ',' list ]     (*count receives the element count)
  int32_t List(const char* p, int32_t* count);
  // logical: relational { ('&&' | '||') relational }
  int32_t Logical(const char* p);

  // Furthest position at which the nesting limit stopped the parser; null
  // when it never did.
  const char* tooDeepAt = nullptr;
  // The while keyword of the first loop found nested more than
  // kMaxLoopNesting deep; null when there was none.
  const char* loopTooDeepAt = nullptr;
  // Set when code could not be stored; the compile then fails.
  bool outOfMemory = false;
  // The furthest position where an item was missing, and what was.
  const char* missedAt = nullptr;
  uint32_t missed = 0;
  ParseFinding findings[kMaxFindings] = {};
  int32_t findingCount = 0;

 private:
  friend class NestingGuard;

  int32_t Statement(const char* p);
  int32_t StatementAlternatives(const char* p);
  int32_t IfStatement(const char* p);
  int32_t WhileStatement(const char* p);
  int32_t Body(const char* p);
  int32_t Assignment(const char* p);
  int32_t Relational(const char* p);
  int32_t Additive(const char* p);
  int32_t Multiplicative(const char* p);
  int32_t Primary(const char* p);
  int32_t Literal(const char* p);
  int32_t Call(const char* p);
  int32_t Parenthesised(const char* p);
  int32_t Variable(const char* p);
  // operand { operator operand }, left to right, for one precedence level.
  int32_t LeftAssociative(const char* p, const OperatorToken* operators,
                          int32_t (Parser::*operand)(const char*));

  int32_t Mark() const { return engine.scratchCode.size; }
  void CutBack(int32_t mark) {
    engine.scratchCode.size = mark;
    if (sources != nullptr && sources->size > mark) sources->size = mark;
  }
  // A keyword or symbol (line breaks before it, one after it); on failure
  // notes `what` as missing at p.
  int32_t Expect(const char* p, const char* token, uint32_t what);
  void NoteMissing(const char* p, uint32_t what);
  void NoteFinding(const ParseFinding& finding);
  // A variable name (read from p, `used` characters) followed by '('
  // names a function that does not exist.
  void NoteUnknownFunction(const char* p, int32_t used);
  Instruction* Append(int32_t kind, const char* at);
  void EmitConst(double value, const char* at);
  void EmitVar(int32_t index, const char* at);
  void EmitOp(int32_t code, const char* at);
  void EmitStr(const char* text, const char* at);
  void SetRole(int32_t record, RecordRole role, int32_t partner = -1);
  // A value made of one STR record alone (records from..to) is a text
  // where a value belongs.
  void MarkTextValue(int32_t from, int32_t to);

  ScriptEngine& engine;
  const char* sourceText;  // offsets in the SourceMap count from here
  SourceMap* sources;
  int32_t depth = 0;
  int32_t loopDepth = 0;  // while loops around the text being parsed
};

// Counts one level of recursion for as long as it lives; refuses (and
// records where) once the parser is kMaxNesting levels deep.
class NestingGuard {
 public:
  NestingGuard(Parser& parser, const char* at);
  ~NestingGuard();
  bool ok() const { return entered; }

 private:
  Parser& parser;
  bool entered;
};

// The detail of a failed compile of text: the parser's notes of what was
// missing and what it found, and errorAt, where the failed statement starts
// (or where nesting became too deep).
CompileDiagnostic DiagnoseFailure(const char* text, const Parser& parser, const char* errorAt);

// Edit distance (insert, delete, replace, swap of neighbours) between two
// names, counting a change of case alone as half a step: 2 per step.
int32_t NameDistance(const char* a, const char* b);
// The one candidate closest to name, when it is close enough to be what was
// meant (no other equally close); null otherwise.
const char* ClosestName(const char* name, const char* const* candidates, int32_t count);
