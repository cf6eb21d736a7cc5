// Grammar rules of the script language, from the loosest binding to the
// tightest. Alternatives are tried in order and the first that matches wins.
#include "script/parser.h"

#include <cstring>

#include "script/scanner.h"

namespace {

// Every keyword and symbol may follow line breaks and takes one with it.
int32_t Token(const char* p, const char* token) { return MatchTokenSkippingLines(p, token); }

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

Parser::Parser(ScriptEngine& engine) : engine(engine) {}

// ---- emission ----------------------------------------------------------

Instruction* Parser::Append(int32_t kind) {
  Instruction* record = engine.scratchCode.SetAtGrow(engine.scratchCode.size);
  if (record == nullptr) {
    outOfMemory = true;
    return nullptr;
  }
  record->kind = kind;
  return record;
}

void Parser::EmitConst(double value) {
  if (Instruction* record = Append(KIND_CONST)) record->value = value;
}

void Parser::EmitVar(int32_t index) {
  if (Instruction* record = Append(KIND_VAR))
    record->cell = static_cast<double*>(engine.variableTable.ValueAt(index));
}

void Parser::EmitOp(int32_t code) {
  if (Instruction* record = Append(KIND_OP)) record->code = code;
}

void Parser::EmitStr(const char* text) {
  if (Instruction* record = Append(KIND_STR)) {
    memset(record->text, 0, sizeof(record->text));
    memcpy(record->text, text, strnlen(text, sizeof(record->text) - 1));
  }
}

// ---- statements ----------------------------------------------------------

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
    if (int32_t end = Token(p + n, ";")) {
      EmitOp(OP_END);
      return n + end;
    }
  }
  CutBack(mark);
  if (int32_t end = Token(p, ";")) {
    EmitOp(OP_END);
    return end;
  }
  if (int32_t empty = MatchToken(p, "\n")) return empty;
  if (int32_t n = IfStatement(p)) return n;
  return WhileStatement(p);
}

// if_statement: 'if' '(' logical ')' body [ 'else' body ]
int32_t Parser::IfStatement(const char* p) {
  int32_t mark = Mark();
  int32_t keyword = Token(p, "if");
  int32_t condition = keyword ? Parenthesised(p + keyword) : 0;
  if (condition == 0) return 0;
  EmitOp(OP_IF_TEST);
  int32_t n = keyword + condition;
  int32_t body = Body(p + n);
  if (body == 0) {
    CutBack(mark);
    return 0;
  }
  n += body;
  int32_t elseMark = Mark();
  if (int32_t elseKeyword = Token(p + n, "else")) {
    EmitOp(OP_ELSE);
    if (int32_t elseBody = Body(p + n + elseKeyword)) {
      n += elseKeyword + elseBody;
    } else {
      CutBack(elseMark);  // what follows is not an else of this if
    }
  }
  EmitOp(OP_IF_END);
  return n;
}

// while_statement: 'while' '(' logical ')' '{' sequence '}'
// A loop inside kMaxLoopNesting others is refused where its keyword stands:
// the loops running at once must fit the execution loop's loop stack.
int32_t Parser::WhileStatement(const char* p) {
  int32_t mark = Mark();
  int32_t keyword = Token(p, "while");
  if (keyword == 0) return 0;
  if (loopDepth >= kMaxLoopNesting) {
    const char* at = p + SkipBlanks(p, " \t\r\n");  // the keyword itself
    if (loopTooDeepAt == nullptr || at < loopTooDeepAt) loopTooDeepAt = at;
    return 0;
  }
  EmitOp(OP_LOOP_START);
  int32_t condition = Parenthesised(p + keyword);
  int32_t n = keyword + condition;
  if (condition) EmitOp(OP_LOOP_TEST);
  int32_t open = condition ? Token(p + n, "{") : 0;
  ++loopDepth;
  int32_t body = open ? Sequence(p + n + open) : 0;
  --loopDepth;
  int32_t close = body ? Token(p + n + open + body, "}") : 0;
  if (close == 0) {
    CutBack(mark);
    return 0;
  }
  EmitOp(OP_LOOP_END);
  return n + open + body + close;
}

// body: '{' sequence '}' | statement
int32_t Parser::Body(const char* p) {
  int32_t mark = Mark();
  if (int32_t open = Token(p, "{")) {
    if (int32_t inner = Sequence(p + open)) {
      if (int32_t close = Token(p + open + inner, "}")) return open + inner + close;
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
    EmitVar(index);
    const OperatorToken& assign = OperatorsAt(Precedence::kAssignment)[0];
    if (int32_t equals = Token(p + name, assign.token)) {
      if (int32_t value = Assignment(p + name + equals)) {
        EmitOp(assign.code);
        return name + equals + value;
      }
    }
  }
  CutBack(mark);
  return Logical(p);
}

int32_t Parser::LeftAssociative(const char* p, const OperatorToken* operators,
                                int32_t (Parser::*operand)(const char*)) {
  int32_t n = (this->*operand)(p);
  if (n == 0) return 0;
  for (;;) {
    int32_t mark = Mark();
    int32_t used = 0;
    const OperatorToken* row = operators;
    for (; row->token != nullptr; ++row) {
      int32_t symbol = Token(p + n, row->token);
      if (symbol && (used = (this->*operand)(p + n + symbol))) {
        used += symbol;
        break;
      }
      CutBack(mark);
    }
    if (row->token == nullptr) return n;
    EmitOp(row->code);
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
  int32_t count = 0;
  int32_t n = List(p, &count);
  if (n == 0) return 0;
  int32_t mark = Mark();
  for (const OperatorToken* row = OperatorsAt(Precedence::kRelational); row->token != nullptr;
       ++row) {
    if (int32_t symbol = Token(p + n, row->token)) {
      if (int32_t right = Relational(p + n + symbol)) {
        EmitOp(row->code);
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
    int32_t comma = Token(p + n, ",");
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
      CutBack(mark);
      return 0;
    }
    n += used;
    break;
  }
  for (; negations > 0; --negations) EmitOp(prefix.code);
  return n;
}

// literal: hex | decimal | string
int32_t Parser::Literal(const char* p) {
  int32_t hex = 0;
  if (int32_t n = ScanHex(p, &hex)) {
    EmitConst(static_cast<double>(hex));
    return n;
  }
  double value = 0.0;
  if (int32_t n = ScanDecimal(p, &value)) {
    EmitConst(value);
    return n;
  }
  char text[kStringOperandSize];
  if (int32_t n = ScanString(p, text, sizeof(text))) {
    EmitStr(text);
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
  int32_t close = arguments ? Token(p + name + open + arguments, ")") : 0;
  if (close == 0 || count != argCount) {
    CutBack(mark);
    return 0;
  }
  EmitOp(code);
  return name + open + arguments + close;
}

// '(' logical ')'
int32_t Parser::Parenthesised(const char* p) {
  int32_t open = Token(p, "(");
  if (open == 0) return 0;
  int32_t mark = Mark();
  int32_t inner = Logical(p + open);
  int32_t close = inner ? Token(p + open + inner, ")") : 0;
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
  EmitVar(index);
  return n;
}
