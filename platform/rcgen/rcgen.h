// Private to the resource script compiler: the dialog templates of a resource
// script, as read from its DIALOG and DIALOGEX statements.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace rcgen {

struct RcControl {
  std::string className;
  std::string text;
  long id = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
};

struct RcDialog {
  std::string name;
  std::string caption;
  std::string fontName;
  int fontSize = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::vector<RcControl> controls;
};

struct Token {
  enum Kind { kName, kNumber, kString, kSymbol, kEnd } kind = kEnd;
  std::string text;  // name, string contents, or the symbol
  long number = 0;
  std::string file;
  int line = 0;
};

// Reads a script into tokens, following #include "file" (angle-bracket
// includes name system headers, whose constants rcgen knows itself) and
// collecting #define lines. False with a message on failure.
bool TokenizeScript(const std::string& path, std::vector<Token>* tokens,
                    std::vector<std::pair<std::string, std::string>>* defines, std::string* error);

// Tokenizes one line of text (a #define's value).
bool TokenizeText(const std::string& text, const std::string& file, int line,
                  std::vector<Token>* tokens, std::string* error);

// The value of a Windows constant that may appear in a script, by its name.
bool LookUpConstant(const std::string& name, long* value);

bool ParseDialogs(const std::vector<Token>& tokens,
                  const std::vector<std::pair<std::string, std::string>>& defines,
                  std::vector<RcDialog>* dialogs, std::string* error);

// C++ source that holds the dialogs as tables and registers them at load time.
std::string WriteTemplates(const std::vector<RcDialog>& dialogs, const std::string& source,
                           const std::string& accessor);

}  // namespace rcgen
