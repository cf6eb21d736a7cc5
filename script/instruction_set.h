// The instruction set, one line per instruction. Everything that must agree
// with it is generated from these lines: the InstructionKind and OpCode
// enumerations (script.h), the execution loop's steps, dispatch table and
// skip rule (run.cpp), the disassembler's names (disassemble.cpp) and the
// parser's operator tables by precedence level (operators.cpp). A compiler
// to machine code reads it the same way. Adding an operator is one line here
// plus the function in operators.h that computes its result.
//
// Not an ordinary header: it has no include guard. A reader defines one or
// both of the macros below, includes this file, and gets one expansion per
// line; a macro it leaves undefined expands to nothing, and both are
// undefined again at the end.
//
// MORFEL_KIND(NAME, Name, kind)
//   NAME     KIND_NAME, the record kind
//   Name     the execution loop's step for it (an OP record's code picks its
//            own step; any code not listed below is a built-in call)
//   kind     the value of Instruction::kind
//
// MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves)
//   NAME     OP_NAME; the disassembler prints markers and unary operators by
//            this name with '-' for '_', two-operand operators as "OP token"
//   Name     the execution loop's step, and for UNARY and BINARY operators
//            the function of operators.h that computes the result
//   code     Instruction::code; a two-character token takes the code of its
//            first character plus 256
//   form     MARKER   control only, no value taken
//            TEST     takes the condition and may start a skip
//            UNARY    replaces the top value by Name(top)
//            BINARY   replaces the two top values a, b by Name(a, b)
//            ASSIGN   stores the top value into the cell under it
//   token    the operator's source text ("" for markers)
//   level    the precedence level at which the parser matches the token:
//            LOGICAL, RELATIONAL, ADDITIVE, MULTIPLICATIVE (left to right),
//            ASSIGNMENT, PREFIX, or NONE; within a level, tokens are tried
//            in the order of these lines
//   nesting  how a skip (a failed test, an else) counts it: OPENS and
//            CLOSES a construct, SPLITS it (else ends a skip at depth 1),
//            or FLAT (passed over)
//   takes, leaves   values taken from and left on the value stack (-1: all)
//
// clang-format off
#ifndef MORFEL_KIND
#define MORFEL_KIND(NAME, Name, kind)
#endif
#ifndef MORFEL_OPCODE
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves)
#endif

MORFEL_KIND(CONST, Const, 0)  // operand `value`: pushed; its address entry names no variable
MORFEL_KIND(VAR,   Var,   1)  // operand `cell`: its value pushed, the cell onto the address stack
MORFEL_KIND(OP,    Call,  2)  // operand `code`: a marker, an operator (below) or a built-in call
MORFEL_KIND(STR,   Str,   3)  // operand `text`: copied into the run's text register, stacks unchanged

//            NAME        Name          code       form    token level           nesting takes leaves
MORFEL_OPCODE(END,        End,          ';',       MARKER, "",   NONE,           FLAT,   -1, 0)  // end of an expression statement: both stacks emptied
MORFEL_OPCODE(IF_TEST,    IfTest,       '?',       TEST,   "",   NONE,           OPENS,   1, 0)  // after an if's condition: 0 skips to its ELSE or IF-END
MORFEL_OPCODE(ELSE,       Else,         '?' + 256, MARKER, "",   NONE,           SPLITS,  0, 0)  // reached after the then branch: skips the else branch
MORFEL_OPCODE(IF_END,     IfEnd,        '}',       MARKER, "",   NONE,           CLOSES,  0, 0)  // after every if statement
MORFEL_OPCODE(LOOP_START, LoopStart,    '(',       MARKER, "",   NONE,           OPENS,   0, 0)  // before a while's condition: the loop is entered
MORFEL_OPCODE(LOOP_TEST,  LoopTest,     '(' + 256, TEST,   "",   NONE,           FLAT,    1, 0)  // after the condition: 0 leaves the loop, skipping to its LOOP-END
MORFEL_OPCODE(LOOP_END,   LoopEnd,      ')',       MARKER, "",   NONE,           CLOSES,  0, 0)  // after the body: back to the condition
MORFEL_OPCODE(ADD,        Add,          '+',       BINARY, "+",  ADDITIVE,       FLAT,    2, 1)  // a + b
MORFEL_OPCODE(SUB,        Subtract,     '-',       BINARY, "-",  ADDITIVE,       FLAT,    2, 1)  // a - b
MORFEL_OPCODE(MUL,        Multiply,     '*',       BINARY, "*",  MULTIPLICATIVE, FLAT,    2, 1)  // a * b
MORFEL_OPCODE(DIV,        Divide,       '/',       BINARY, "/",  MULTIPLICATIVE, FLAT,    2, 1)  // a / b, 0 when b is 0
MORFEL_OPCODE(MOD,        Remainder,    '%',       BINARY, "%",  MULTIPLICATIVE, FLAT,    2, 1)  // remainder of the truncated operands
MORFEL_OPCODE(LT,         Less,         '<',       BINARY, "<",  RELATIONAL,     FLAT,    2, 1)  // 1 when a < b, else 0
MORFEL_OPCODE(GT,         Greater,      '>',       BINARY, ">",  RELATIONAL,     FLAT,    2, 1)  // 1 when a > b, else 0
MORFEL_OPCODE(LE,         LessEqual,    '<' + 256, BINARY, "<=", RELATIONAL,     FLAT,    2, 1)  // 1 when a <= b, else 0
MORFEL_OPCODE(GE,         GreaterEqual, '>' + 256, BINARY, ">=", RELATIONAL,     FLAT,    2, 1)  // 1 when a >= b, else 0
MORFEL_OPCODE(EQ,         Equal,        '=' + 256, BINARY, "==", RELATIONAL,     FLAT,    2, 1)  // 1 when a == b, else 0
MORFEL_OPCODE(NE,         NotEqual,     '!' + 256, BINARY, "!=", RELATIONAL,     FLAT,    2, 1)  // 1 when a != b, else 0
MORFEL_OPCODE(AND,        And,          '&',       BINARY, "&&", LOGICAL,        FLAT,    2, 1)  // 1 when both truncate to non-zero, else 0
MORFEL_OPCODE(OR,         Or,           '|',       BINARY, "||", LOGICAL,        FLAT,    2, 1)  // 1 when either truncates to non-zero, else 0
MORFEL_OPCODE(ASSIGN,     Assign,       '=',       ASSIGN, "=",  ASSIGNMENT,     FLAT,    2, 1)  // b stored in a's cell (if any), b left
MORFEL_OPCODE(NEG,        Negate,       '-' + 256, UNARY,  "-",  PREFIX,         FLAT,    1, 1)  // -b

#undef MORFEL_KIND
#undef MORFEL_OPCODE
// clang-format on
