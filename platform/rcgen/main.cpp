// morfel_rcgen: compiles the dialog templates of a resource script into a C++
// source file for the Linux platform layer, so that the script stays the one
// source of every dialog on both platforms.
//
//   morfel_rcgen SCRIPT.rc OUTPUT.cpp [ACCESSOR]
#include <cstdio>
#include <fstream>
#include <regex>
#include <string>

#include "platform/rcgen/rcgen.h"

namespace {

bool IsIdentifier(const std::string& name) {
  return std::regex_match(name, std::regex("[A-Za-z_][A-Za-z0-9_]*"));
}

// Writes only when the text changed, so that an unchanged script rebuilds nothing.
bool WriteIfChanged(const std::string& path, const std::string& text) {
  std::ifstream old(path, std::ios::binary);
  if (old) {
    std::string current((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
    if (current == text) return true;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: morfel_rcgen SCRIPT.rc OUTPUT.cpp [ACCESSOR]\n");
    return 2;
  }
  std::string accessor = argc == 4 ? argv[3] : "MorfelModuleInstance";
  if (!IsIdentifier(accessor)) {
    std::fprintf(stderr, "morfel_rcgen: %s is not a function name\n", accessor.c_str());
    return 2;
  }
  std::vector<rcgen::Token> tokens;
  std::vector<std::pair<std::string, std::string>> defines;
  std::vector<rcgen::RcDialog> dialogs;
  std::string error;
  if (!rcgen::TokenizeScript(argv[1], &tokens, &defines, &error) ||
      !rcgen::ParseDialogs(tokens, defines, &dialogs, &error)) {
    std::fprintf(stderr, "morfel_rcgen: %s\n", error.c_str());
    return 1;
  }
  if (!WriteIfChanged(argv[2], rcgen::WriteTemplates(dialogs, argv[1], accessor))) {
    std::fprintf(stderr, "morfel_rcgen: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
