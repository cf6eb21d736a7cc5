// Grammar rules of the script language, from the loosest binding to the
// tightest. Alternatives are tried in order and the first that matches wins.
#include "script/parser.h"

#include <cstring>

#include "script/scanner.h"

namespace {

// Every keyword and symbol may follow line breaks and takes one with it.
int32_t Token(const char* p, const char* token) { return MatchTokenSkippingLines(p, token); }

bool IsKeyword(const char* name, int32_t length) {
  return (length == 2 && std::strncmp(name, "if", 2) == 0) ||
         (length == 4 && std::strncmp(name, "else", 4) == 0) ||
         (length == 5 && std::strncmp(name, "while", 5) == 0);
}

}  // namespace

NestingGuard::NestingGuard(Parser& parser, const char* at) : parser(parser) {
  entered = parser.depth < kMaxNesting;
  if (entered) {
    ++parser.depth;
  } else if (parser.tooDeepAt == nullptr || at > parser.tooDeepAt) {
    parser.tooDeepAt = at;
  }
}

NestingGuard::~NestingGuard() {
  if (entered) --parser.depth;
}

Parser::Parser(ScriptEngine& engine, const char* text, SourceMap* sources)
    : engine(engine), sourceText(text), sources(sources) {}

// ---- what was missing ----------------------------------------------------

int32_t Parser::Expect(const char* p, const char* token, uint32_t what) {
  const int32_t n = Token(p, token);
  if (n == 0) NoteMissing(p, what);
  return n;
}

void Parser::NoteMissing(const char* p, uint32_t what) {
  if (missedAt == nullptr || p > missedAt) {
    missedAt = p;
    missed = what;
  } else if (p == missedAt) {
    missed |= what;
  }
}

void Parser::NoteFinding(const ParseFinding& finding) {
  for (int32_t k = 0; k < findingCount; ++k)
    if (findings[k].fault == finding.fault && findings[k].from == finding.from) return;
  if (findingCount < kMaxFindings) findings[findingCount++] = finding;
}

void Parser::NoteUnknownFunction(const char* p, int32_t used) {
  const char* name = p + SkipLayout(p);
  const int32_t length = NameAt(name);
  if (length == 0 || IsKeyword(name, length)) return;
  int32_t code = 0;
  int32_t argCount = 0;
  if (LookupBuiltin(name, &code, &argCount) > 0) return;  // a call that failed otherwise
  const int32_t open = Token(p + used, "(");
  if (open == 0) return;
  NoteFinding({CompileFault::kUnknownFunction, name, p + used + open, 0, 0});
}

// ---- emission ----------------------------------------------------------

Instruction* Parser::Append(int32_t kind, const char* at) {
  const int32_t index = engine.scratchCode.size;
  Instruction* record = engine.scratchCode.SetAtGrow(index);
  if (record == nullptr) {
    outOfMemory = true;
    return nullptr;
  }
  record->kind = kind;
  if (sources != nullptr) {
    RecordSource* source = sources->SetAtGrow(index);
    if (source == nullptr) {
      outOfMemory = true;
    } else {
      *source = {static_cast<int32_t>(at - sourceText), RecordRole::kPlain, -1};
    }
  }
  return record;
}

void Parser::SetRole(int32_t record, RecordRole role, int32_t partner) {
  if (sources == nullptr || record < 0 || record >= sources->size) return;
  sources->data[record].role = role;
  if (partner >= 0) sources->data[record].partner = partner;
}

void Parser::MarkTextValue(int32_t from, int32_t to) {
  if (to - from == 1 && engine.scratchCode.data[from].kind == KIND_STR)
    SetRole(from, RecordRole::kTextAsValue);
}

void Parser::EmitConst(double value, const char* at) {
  if (Instruction* record = Append(KIND_CONST, at)) record->value = value;
}

void Parser::EmitVar(int32_t index, const char* at) {
  if (Instruction* record = Append(KIND_VAR, at))
    record->cell = static_cast<double*>(engine.variableTable.ValueAt(index));
}

void Parser::EmitOp(int32_t code, const char* at) {
  if (Instruction* record = Append(KIND_OP, at)) record->code = code;
}

void Parser::EmitStr(const char* text, const char* at) {
  if (Instruction* record = Append(KIND_STR, at)) {
    memset(record->text, 0, sizeof(record->text));
    memcpy(record->text, text, strnlen(text, sizeof(record->text) - 1));
  }
}

// ---- statements ----------------------------------------------------------

namespace {

// Where the token that a rule at p reads begins.
const char* At(const char* p) { return p + SkipLayout(p); }

}  // namespace

// sequence: statement { statement }
int32_t Parser::Sequence(const char* p) {
  int32_t n = 0;
  for (int32_t used; (used = Statement(p + n)) > 0;) n += used;
  // The deepest sequence that got furthest marks where an error lies.
  if (p + n > engine.furthestPoint) engine.furthestPoint = p + n;
  return n;
}

int32_t Parser::Statement(const char* p) {
  NestingGuard guard(*this, p);
  return guard.ok() ? StatementAlternatives(p) : 0;
}

// statement: assignment ';' | ';' | '\n' | if_statement | while_statement
int32_t Parser::StatementAlternatives(const char* p) {
  int32_t mark = Mark();
  if (int32_t n = Assignment(p)) {
    if (int32_t end = Expect(p + n, ";", kMissedSemicolon)) {
      EmitOp(OP_END, At(p + n));
      return n + end;
    }
  }
  CutBack(mark);
  if (int32_t end = Expect(p, ";", kMissedStatement)) {
    EmitOp(OP_END, At(p));
    return end;
  }
  if (int32_t empty = MatchToken(p, "\n")) return empty;
  if (int32_t n = IfStatement(p)) return n;
  return WhileStatement(p);
}

// if_statement: 'if' '(' logical ')' body [ 'else' body ]
int32_t Parser::IfStatement(const char* p) {
  int32_t mark = Mark();
  int32_t keyword = Expect(p, "if", kMissedStatement);
  if (keyword == 0) return 0;
  int32_t condition = Parenthesised(p + keyword);
  if (condition == 0) {
    if (Token(p + keyword, "(") == 0) NoteMissing(p + keyword, kMissedOpenParen);
    return 0;
  }
  MarkTextValue(mark, Mark());
  EmitOp(OP_IF_TEST, At(p + keyword));
  int32_t n = keyword + condition;
  int32_t body = Body(p + n);
  if (body == 0) {
    CutBack(mark);
    return 0;
  }
  n += body;
  int32_t elseMark = Mark();
  if (int32_t elseKeyword = Token(p + n, "else")) {
    EmitOp(OP_ELSE, At(p + n));
    if (int32_t elseBody = Body(p + n + elseKeyword)) {
      n += elseKeyword + elseBody;
    } else {
      CutBack(elseMark);  // what follows is not an else of this if
    }
  }
  EmitOp(OP_IF_END, At(p + n));
  return n;
}

// while_statement: 'while' '(' logical ')' '{' sequence '}'
// A loop inside kMaxLoopNesting others is refused where its keyword stands:
// the loops running at once must fit the execution loop's loop stack.
int32_t Parser::WhileStatement(const char* p) {
  int32_t mark = Mark();
  int32_t keyword = Expect(p, "while", kMissedStatement);
  if (keyword == 0) return 0;
  if (loopDepth >= kMaxLoopNesting) {
    const char* at = At(p);  // the keyword itself
    if (loopTooDeepAt == nullptr || at < loopTooDeepAt) loopTooDeepAt = at;
    return 0;
  }
  EmitOp(OP_LOOP_START, At(p));
  const int32_t conditionMark = Mark();
  int32_t condition = Parenthesised(p + keyword);
  if (condition == 0 && Token(p + keyword, "(") == 0) NoteMissing(p + keyword, kMissedOpenParen);
  int32_t n = keyword + condition;
  if (condition) {
    MarkTextValue(conditionMark, Mark());
    EmitOp(OP_LOOP_TEST, At(p + keyword));
  }
  int32_t open = condition ? Expect(p + n, "{", kMissedOpenBrace) : 0;
  ++loopDepth;
  int32_t body = open ? Sequence(p + n + open) : 0;
  --loopDepth;
  int32_t close = body ? Expect(p + n + open + body, "}", kMissedCloseBrace) : 0;
  if (close == 0) {
    CutBack(mark);
    return 0;
  }
  EmitOp(OP_LOOP_END, At(p + n + open + body));
  return n + open + body + close;
}

// body: '{' sequence '}' | statement
int32_t Parser::Body(const char* p) {
  int32_t mark = Mark();
  if (int32_t open = Token(p, "{")) {
    if (int32_t inner = Sequence(p + open)) {
      if (int32_t close = Expect(p + open + inner, "}", kMissedCloseBrace))
        return open + inner + close;
    }
  }
  CutBack(mark);
  return Statement(p);
}

// ---- expressions ---------------------------------------------------------

// assignment: variable '=' assignment | logical
int32_t Parser::Assignment(const char* p) {
  NestingGuard guard(*this, p);
  if (!guard.ok()) return 0;
  int32_t mark = Mark();
  int32_t index = -1;
  if (int32_t name = ParseVariable(p, engine.variableTable, &index)) {
    EmitVar(index, At(p));
    const OperatorToken& assign = OperatorsAt(Precedence::kAssignment)[0];
    if (int32_t equals = Expect(p + name, assign.token, kMissedOther)) {
      const int32_t valueMark = Mark();
      if (int32_t value = Assignment(p + name + equals)) {
        MarkTextValue(valueMark, Mark());
        const int32_t op = Mark();
        EmitOp(assign.code, At(p + name));
        SetRole(mark, RecordRole::kAssignTarget);
        SetRole(op, RecordRole::kPlain, mark);
        return name + equals + value;
      }
    }
  }
  CutBack(mark);
  return Logical(p);
}

int32_t Parser::LeftAssociative(const char* p, const OperatorToken* operators,
                                int32_t (Parser::*operand)(const char*)) {
  const int32_t first = Mark();
  int32_t n = (this->*operand)(p);
  if (n == 0) return 0;
  for (;;) {
    int32_t mark = Mark();
    int32_t used = 0;
    const OperatorToken* row = operators;
    for (; row->token != nullptr; ++row) {
      int32_t symbol = Expect(p + n, row->token, kMissedOther);
      if (symbol && (used = (this->*operand)(p + n + symbol))) {
        used += symbol;
        break;
      }
      CutBack(mark);
    }
    if (row->token == nullptr) return n;
    MarkTextValue(first, mark);
    MarkTextValue(mark, Mark());
    EmitOp(row->code, At(p + n));
    n += used;
  }
}

// logical: relational { ('&&' | '||') relational }
int32_t Parser::Logical(const char* p) {
  return LeftAssociative(p, OperatorsAt(Precedence::kLogical), &Parser::Relational);
}

// relational: list [ ('<' | '>' | '<=' | '>=' | '==' | '!=') relational ]
int32_t Parser::Relational(const char* p) {
  NestingGuard guard(*this, p);
  if (!guard.ok()) return 0;
  const int32_t first = Mark();
  int32_t count = 0;
  int32_t n = List(p, &count);
  if (n == 0) return 0;
  int32_t mark = Mark();
  for (const OperatorToken* row = OperatorsAt(Precedence::kRelational); row->token != nullptr;
       ++row) {
    if (int32_t symbol = Expect(p + n, row->token, kMissedOther)) {
      if (int32_t right = Relational(p + n + symbol)) {
        MarkTextValue(first, mark);
        MarkTextValue(mark, Mark());
        EmitOp(row->code, At(p + n));
        return n + symbol + right;
      }
    }
    CutBack(mark);
  }
  return n;
}

// list: additive [ ',' list ]
int32_t Parser::List(const char* p, int32_t* count) {
  *count = 0;
  int32_t n = Additive(p);
  if (n == 0) return 0;
  *count = 1;
  for (;;) {
    int32_t mark = Mark();
    int32_t comma = Expect(p + n, ",", kMissedOther);
    int32_t element = comma ? Additive(p + n + comma) : 0;
    if (element == 0) {
      CutBack(mark);
      return n;
    }
    n += comma + element;
    ++*count;
  }
}

// additive: multiplicative { ('+' | '-') multiplicative }
int32_t Parser::Additive(const char* p) {
  return LeftAssociative(p, OperatorsAt(Precedence::kAdditive), &Parser::Multiplicative);
}

// multiplicative: primary { ('*' | '/' | '%') primary }
int32_t Parser::Multiplicative(const char* p) {
  return LeftAssociative(p, OperatorsAt(Precedence::kMultiplicative), &Parser::Primary);
}

// primary: hex | decimal | string | '-' primary | call | '(' logical ')'
//          | variable
// The unary minus signs are counted in a loop rather than by recursion, so
// that a long run of them cannot exhaust the stack; the code is the same:
// the operand, then one NEG per sign.
int32_t Parser::Primary(const char* p) {
  NestingGuard guard(*this, p);
  if (!guard.ok()) return 0;
  int32_t mark = Mark();
  const OperatorToken& prefix = OperatorsAt(Precedence::kPrefix)[0];
  int32_t n = 0;
  int32_t negations = 0;
  for (;;) {
    if (int32_t used = Literal(p + n)) {
      n += used;
      break;
    }
    if (int32_t minus = Token(p + n, prefix.token)) {
      n += minus;
      ++negations;
      continue;
    }
    int32_t used = Call(p + n);
    if (used == 0) used = Parenthesised(p + n);
    if (used == 0) used = Variable(p + n);
    if (used == 0) {
      NoteMissing(p + n, kMissedValue);
      CutBack(mark);
      return 0;
    }
    n += used;
    break;
  }
  if (negations > 0) MarkTextValue(mark, Mark());
  for (; negations > 0; --negations) EmitOp(prefix.code, At(p));
  return n;
}

// literal: hex | decimal | string
int32_t Parser::Literal(const char* p) {
  int32_t hex = 0;
  if (int32_t n = ScanHex(p, &hex)) {
    EmitConst(static_cast<double>(hex), p + SkipBlanks(p));
    return n;
  }
  double value = 0.0;
  if (int32_t n = ScanDecimal(p, &value)) {
    EmitConst(value, p + SkipBlanks(p));
    return n;
  }
  char text[kStringOperandSize];
  if (int32_t n = ScanString(p, text, sizeof(text))) {
    EmitStr(text, p + SkipBlanks(p));
    return n;
  }
  return 0;
}

// call: builtin '(' list ')'     (the list must have the built-in's count)
int32_t Parser::Call(const char* p) {
  int32_t code = 0;
  int32_t argCount = 0;
  int32_t name = LookupBuiltin(p, &code, &argCount);
  if (name == 0) return 0;
  int32_t open = Token(p + name, "(");
  if (open == 0) return 0;
  int32_t mark = Mark();
  int32_t count = 0;
  int32_t arguments = List(p + name + open, &count);
  int32_t close = arguments ? Expect(p + name + open + arguments, ")", kMissedCloseParen) : 0;
  if (close != 0 && count != argCount) {
    NoteFinding({CompileFault::kArgumentCount, p + SkipBlanks(p),
                 p + name + open + arguments + close, argCount, count});
  }
  if (close == 0 || count != argCount) {
    CutBack(mark);
    return 0;
  }
  EmitOp(code, p + SkipBlanks(p));
  return name + open + arguments + close;
}

// '(' logical ')'
int32_t Parser::Parenthesised(const char* p) {
  int32_t open = Token(p, "(");
  if (open == 0) return 0;
  int32_t mark = Mark();
  int32_t inner = Logical(p + open);
  int32_t close = inner ? Expect(p + open + inner, ")", kMissedCloseParen) : 0;
  if (close == 0) {
    CutBack(mark);
    return 0;
  }
  return open + inner + close;
}

// variable: name      (created with 0.0 when new)
int32_t Parser::Variable(const char* p) {
  int32_t index = -1;
  int32_t n = ParseVariable(p, engine.variableTable, &index);
  if (n == 0 || index < 0) return 0;
  EmitVar(index, At(p));
  NoteUnknownFunction(p, n);
  return n;
}
