// The recursive-descent parser: works straight on the text with the
// scanners and appends postfix code to the engine's scratchCode as soon as a
// construct is recognised. A rule that fails after emitting code cuts the
// code back to where it began, so only the code of the alternatives that
// succeeded remains. Every rule returns the characters it consumed, 0 when
// it did not match.
#pragma once

#include <cstdint>

#include "script/operators.h"
#include "script/script.h"

class Parser {
 public:
  explicit Parser(ScriptEngine& engine);

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
  void CutBack(int32_t mark) { engine.scratchCode.size = mark; }
  Instruction* Append(int32_t kind);
  void EmitConst(double value);
  void EmitVar(int32_t index);
  void EmitOp(int32_t code);
  void EmitStr(const char* text);

  ScriptEngine& engine;
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
