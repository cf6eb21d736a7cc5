// The morfel commands. Each returns the process exit status: 0 success, 1 a
// program, parameter, library or image error (already reported on standard
// error as "morfel: ..."). The helpers beside them return bool, true when
// done, after reporting what went wrong; a note or warning fails nothing.
#ifndef MORFEL_CLI_COMMANDS_H
#define MORFEL_CLI_COMMANDS_H

#include <string>
#include <vector>

#include "files/files.h"
#include "plugin_host/plugin_host.h"
#include "cli/options.h"
#include "session/session.h"

int ListCommand(const Options& options);
int ShowCommand(const Options& options);
int ApplyCommand(const Options& options);
int CheckCommand(const Options& options);
int TraceCommand(const Options& options);
int ImportCommand(const Options& options);
int AddCommand(const Options& options);
int RemoveCommand(const Options& options);
int TitleCommand(const Options& options);
int FunctionsCommand(const Options& options);
// Prints the overview, a command's usage, the man page or the completion
// script.
int HelpCommand(const Options& options);

// The import asks before it merges the data folder's files: with no
// terminal to answer and no --yes, it is refused: true after saying so.
bool RefuseUnansweredImport(const Options& options);

// Prints "morfel: " and the text on standard error: an error, a warning or
// a note, which by itself fails nothing.
void Report(const std::string& text);
// Reports the text as the command's failure; returns its exit status, 1.
int Fail(const std::string& text);

// What the editor's check finds in the texts (lines may end in LF alone).
ProgramDiagnosis DiagnoseHostProgram(const std::string& initText, const std::string& transformText);
// The fault on standard error: "morfel: Transform line 2, column 3: why",
// then its line with a caret under the column. False when there is none.
bool ReportProgramFault(const ProgramDiagnosis& diagnosis);
// Texts a run can take (their lengths) and the --param words checked
// against their declarations into rows. False after reporting why not.
bool TakeRunnableProgram(const std::string& initText, const std::string& transformText,
                         const Options& options, ParameterRows* rows);
// One line per warning on standard error: "morfel: warning: where: what".
void ReportProgramWarnings(const ProgramDiagnosis& diagnosis);

// The base folder of the options (or the default), prepared with the starter
// library when it has none. False after reporting why not.
bool ResolveBaseFolder(const Options& options, std::string* baseFolder);

// A library program's texts and the number of parameters it declares.
struct LibraryProgram {
  int index = -1;
  std::string initText;
  std::string transformText;
};
// Finds GROUP/NAME in the library of the base folder. False after
// reporting the closest names.
bool FindLibraryProgram(const std::string& baseFolder, const std::string& group,
                        const std::string& name, LibraryProgram* program);
// The program of --file, or of --init and --transform. Warnings about the
// program file are reported. False after reporting a failure.
bool ReadAdHocProgram(const Options& options, AdHocProgram* program);
// The program check works on: the texts given (as ReadAdHocProgram), or the
// library program --program names. False after reporting a failure.
bool ReadProgramToCheck(const Options& options, AdHocProgram* program);
// The editor's check of the program in this process: its messages, or "ok"
// (and with --explain how the engine will run it) on standard output.
// Returns the exit status.
int CheckThroughSession(const Options& options, const AdHocProgram& program);
// Prints how the engine will run the program: which engine, how many threads.
void ExplainRun(const AdHocProgram& program);
// Number of parameters the Init text declares; -1 when its declarations are
// malformed.
int DeclaredParameters(const std::string& initText, std::vector<std::string>* lines);

#endif
