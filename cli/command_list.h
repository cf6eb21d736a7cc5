// The morfel commands, one row each: the enum name, the command word, the
// function that runs it (commands.h), its operands after the options, its
// one-line summary and its details (paragraphs separated by blank lines, or
// ""). Parsing, dispatch, usage, the man page, the completion script and the
// suggestions all read this list; a new command is its row and its function.
#ifndef MORFEL_CLI_COMMAND_LIST_H
#define MORFEL_CLI_COMMAND_LIST_H

// clang-format off
#define MORFEL_COMMANDS(X) \
  X(kApply, "apply", ApplyCommand, "PROGRAM INPUT OUTPUT  |  PROGRAM -o DIR INPUT...", \
    "apply a program to image files", \
    "PROGRAM is --program GROUP/NAME (or --group and --name), --init and/or --transform (or " \
    "their -file forms), or --file PROGRAM.txt. The program runs in morfel itself, exactly as " \
    "the plug-in's dialog runs it after OK, and the settings of a library program are saved " \
    "as OK saves them. With --plugin FILE, morfel loads that plug-in as an image editor does " \
    "and works its dialog as a user would: it chooses the program, types the parameter " \
    "values and presses OK.\n\n" \
    "Images are known by their first bytes and written in the format of the output's name or " \
    "--format; the formats of this build are listed below. \"-\" reads standard input or writes " \
    "standard output. " \
    "With -o DIR each input becomes DIR/<its name>, one line per file; the exit status is 1 " \
    "when any failed, the others are still written.\n\n" \
    "Exit status: 0 success, 1 a program, parameter, library or image error, 2 a usage " \
    "error, 130 or 143 when interrupted.") \
  X(kList, "list", ListCommand, "", "list the programs of the library as GROUP/NAME", "") \
  X(kShow, "show", ShowCommand, "GROUP/NAME", "show a program's texts and parameters", "") \
  X(kCheck, "check", CheckCommand, \
    "(--init TEXT | --transform TEXT | --file FILE)...  |  --program GROUP/NAME", \
    "compile a program: \"ok\", or the editor's message with its line", "") \
  X(kTrace, "trace", TraceCommand, "--at COLUMN,ROW PROGRAM INPUT", \
    "show what a program does to one pixel, statement by statement", \
    "Runs Init and then the Transform program for the pixel at COLUMN,ROW of INPUT (0,0 is " \
    "the top-left pixel, as image viewers count) and prints each statement executed with " \
    "the values it set, each test of an if or a while with its outcome, and what the pixel " \
    "becomes: the colour written, or the position the source is read at and the colour " \
    "read. PROGRAM is as for apply; --param and --interp too. The pixels before it are not " \
    "run, so a program that carries values from pixel to pixel shows them as Init left " \
    "them.") \
  X(kImport, "import", ImportCommand, "", \
    "merge the program files (*.txt) of the data folder into the library", \
    "It asks first; with no terminal on standard input it needs --yes, and refuses without.") \
  X(kAdd, "add", AddCommand, "FILE...", "merge program files from anywhere into the library", \
    "Each FILE is read where it is, not copied into the data folder, and merged as import " \
    "merges: a program of the same group and name gets the file's texts, any other is " \
    "added.") \
  X(kRemove, "remove", RemoveCommand, "GROUP/NAME", "remove a program from the library", \
    "It asks nothing, as the program is named exactly; 'morfel show --as-file GROUP/NAME > " \
    "FILE' first keeps a copy that 'morfel add FILE' brings back.") \
  X(kFunctions, "functions", FunctionsCommand, "", \
    "list the built-in functions and variables of the language", "") \
  X(kTitle, "title", TitleCommand, "", "print the plug-in's title", "") \
  X(kHelp, "help", HelpCommand, "[COMMAND]", "describe morfel or one command", "")
// clang-format on

#endif
