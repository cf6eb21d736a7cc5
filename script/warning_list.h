// Warnings about programs, one line each. The WarningKind enumeration and
// the warning texts (lint.cpp) come from these lines.
//
// Not an ordinary header: it has no include guard. A reader defines
// MORFEL_WARNING(Name, format), includes this file and gets one expansion
// per line; the macro is undefined again at the end. The first %s of a
// format is the subject, the second (where there is one) a detail.
//
// clang-format off
MORFEL_WARNING(kColourDiscarded,      "'%s' is set while coord is %s, so the colour is discarded: coord=0; keeps colours")
MORFEL_WARNING(kPositionDiscarded,    "'%s' is set while coord is 0, so the position is not used: coord=2; (x, y) or coord=1; (r, t) reads from it")
MORFEL_WARNING(kTextAsValue,          "the text %s is used as a value; a text only names a file for LoadBmp and LoadBmpNum")
MORFEL_WARNING(kParameterNeverRead,   "the parameter '%s' is declared but never read")
MORFEL_WARNING(kReadBeforeAssignment, "'%s' is read in Init before any assignment: it starts with what the last run left%s")
MORFEL_WARNING(kAlwaysTrue,           "the condition %s is always true")
MORFEL_WARNING(kAlwaysFalse,          "the condition %s is always false")
// clang-format on
#undef MORFEL_WARNING
