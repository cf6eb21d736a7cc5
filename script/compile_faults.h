// Why a text does not compile, one line per reason. The CompileFault
// enumeration and the reason texts (diagnose.cpp) come from these lines.
//
// Not an ordinary header: it has no include guard. A reader defines
// MORFEL_FAULT(Name, format), includes this file and gets one expansion per
// line; the macro is undefined again at the end. In a format, %s stands for
// the text at fault (quoted, or "the end of the text"); kArgumentCount's
// format takes the function's name and the two counts.
//
// clang-format off
MORFEL_FAULT(kUnknownFunction,       "unknown function '%s'")
MORFEL_FAULT(kArgumentCount,         "'%s' takes %d %s, %d given")
MORFEL_FAULT(kCloseParenExpected,    "')' expected before %s")
MORFEL_FAULT(kCloseBraceExpected,    "'}' expected before %s")
MORFEL_FAULT(kOpenParenExpected,     "'(' expected after '%s'")
MORFEL_FAULT(kWhileNeedsBraces,      "the body of a while loop must stand in braces '{ }'")
MORFEL_FAULT(kEmptyBlock,            "a block '{ }' must hold at least one statement")
MORFEL_FAULT(kMissingSemicolon,      "a statement is missing its ';'")
MORFEL_FAULT(kSemicolonExpected,     "';' or an operator expected before %s")
MORFEL_FAULT(kElseAfterStatement,    "'else' must follow a block or a statement ending in ';'")
MORFEL_FAULT(kElseWithoutIf,         "'else' has no 'if' before it")
MORFEL_FAULT(kValueExpected,         "a value is expected before %s")
MORFEL_FAULT(kTooLong,               "a name or text runs on for 2047 characters or more")
MORFEL_FAULT(kBadNumber,             "%s is not a number")
MORFEL_FAULT(kAssignmentInCondition, "a condition cannot assign: '==' compares")
MORFEL_FAULT(kComparisonInArgument,  "a comparison among a function's values must stand in parentheses")
MORFEL_FAULT(kUnexpected,            "%s is not expected here")
MORFEL_FAULT(kUnknownCharacter,      "%s is not part of the language")
MORFEL_FAULT(kUnterminatedComment,   "the comment '/*' is never closed with '*/'")
MORFEL_FAULT(kOnlyBlanks,            "the text holds only blanks: leave it empty or write a statement")
MORFEL_FAULT(kNestedTooDeep,         "parentheses, calls or blocks are nested too deep here")
MORFEL_FAULT(kLoopsTooDeep,          "more than 10 while loops inside each other")
MORFEL_FAULT(kOutOfMemory,           "not enough memory to compile the program")
// clang-format on
#undef MORFEL_FAULT
