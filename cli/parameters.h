// The --param values of apply, checked against the program's declarations
// before the dialog opens: by variable name (NAME=VALUE) or by position.
#ifndef MORFEL_CLI_PARAMETERS_H
#define MORFEL_CLI_PARAMETERS_H

#include <string>
#include <vector>

// The text each parameter row gets, "" for a row left at its default.
struct ParameterRows {
  std::vector<std::string> values;
  std::vector<std::string> notes;  // values outside their declared range
};

// Checks the --param words against initText's declarations. An unknown
// name, a row given twice, more values than rows, a text longer than the
// dialog's box takes or one that is not an expression of known variables is
// an error. False with the message.
bool ResolveParameters(const std::string& initText, const std::vector<std::string>& words,
                       ParameterRows* rows, std::string* error);

#endif
