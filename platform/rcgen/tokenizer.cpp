// Splits a resource script into tokens and follows its preprocessor lines:
// #include "file" is read in place, #define is collected, the rest (include
// guards, #pragma) is passed over.
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/rcgen/rcgen.h"

namespace rcgen {
namespace {

constexpr int kMaxIncludeDepth = 8;
constexpr size_t kMaxLineLength = 4096;

std::string Where(const std::string& file, int line) {
  return file + ":" + std::to_string(line) + ": ";
}

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// A string literal: "" stands for one quote, and \n \t \\ \" are escapes.
bool ReadString(const std::string& text, size_t* at, std::string* out) {
  size_t i = *at + 1;
  while (i < text.size()) {
    char c = text[i];
    if (c == '"') {
      if (i + 1 < text.size() && text[i + 1] == '"') {
        out->push_back('"');
        i += 2;
        continue;
      }
      *at = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < text.size()) {
      char next = text[i + 1];
      out->push_back(next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next);
      i += 2;
      continue;
    }
    out->push_back(c);
    ++i;
  }
  return false;
}

bool ReadNumber(const std::string& text, size_t* at, long* value) {
  const char* start = text.c_str() + *at;
  char* end = nullptr;
  errno = 0;
  unsigned long parsed = std::strtoul(start, &end, 0);
  if (end == start || errno == ERANGE || parsed > 0xFFFFFFFFul) return false;
  *at += static_cast<size_t>(end - start);
  while (*at < text.size() &&
         (text[*at] == 'L' || text[*at] == 'l' || text[*at] == 'U' || text[*at] == 'u'))
    ++*at;
  *value = static_cast<long>(parsed);
  return true;
}

// Removes /* */ comments, which may span lines, and // comments; quoted
// strings are left alone.
std::string StripComments(const std::string& line, bool* inComment) {
  std::string kept;
  bool inString = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    char next = i + 1 < line.size() ? line[i + 1] : '\0';
    if (*inComment) {
      if (c == '*' && next == '/') *inComment = false, ++i;
      continue;
    }
    if (inString) {
      kept.push_back(c);
      if (c == '"') inString = false;
      continue;
    }
    if (c == '/' && next == '*') {
      *inComment = true;
      ++i;
      kept.push_back(' ');
      continue;
    }
    if (c == '/' && next == '/') break;
    if (c == '"') inString = true;
    kept.push_back(c);
  }
  return kept;
}

std::string Folder(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

struct Reader {
  std::vector<Token>* tokens;
  std::vector<std::pair<std::string, std::string>>* defines;
  std::string* error;

  bool ReadFile(const std::string& path, int depth);
  bool Directive(const std::string& line, const std::string& path, int number, int depth);
};

bool Reader::Directive(const std::string& line, const std::string& path, int number, int depth) {
  std::istringstream words(line.substr(line.find('#') + 1));
  std::string word;
  words >> word;
  if (word == "define") {
    std::string name, value;
    words >> name;
    std::getline(words, value);
    size_t comment = value.find("//");
    if (comment != std::string::npos) value.resize(comment);
    defines->push_back({name, value});
    return true;
  }
  if (word != "include") return true;  // guards and pragmas change nothing here
  std::string rest;
  std::getline(words, rest);
  size_t open = rest.find('"');
  if (open == std::string::npos) return true;  // <system header>
  size_t close = rest.find('"', open + 1);
  if (close == std::string::npos) {
    *error = Where(path, number) + "unterminated #include";
    return false;
  }
  return ReadFile(Folder(path) + "/" + rest.substr(open + 1, close - open - 1), depth + 1);
}

bool Reader::ReadFile(const std::string& path, int depth) {
  if (depth > kMaxIncludeDepth) {
    *error = path + ": includes nested too deeply";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot be read";
    return false;
  }
  std::string line;
  bool inComment = false;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.size() > kMaxLineLength) {
      *error = Where(path, number) + "line too long";
      return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = StripComments(line, &inComment);
    size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] == '#') {
      if (!Directive(line, path, number, depth)) return false;
      continue;
    }
    if (!TokenizeText(line, path, number, tokens, error)) return false;
  }
  return true;
}

}  // namespace

bool TokenizeText(const std::string& text, const std::string& file, int line,
                  std::vector<Token>* tokens, std::string* error) {
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    Token token;
    token.file = file;
    token.line = line;
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') break;
    if (c == '"') {
      token.kind = Token::kString;
      if (!ReadString(text, &i, &token.text)) {
        *error = Where(file, line) + "unterminated string";
        return false;
      }
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      token.kind = Token::kNumber;
      if (!ReadNumber(text, &i, &token.number)) {
        *error = Where(file, line) + "bad number";
        return false;
      }
    } else if (IsNameStart(c)) {
      token.kind = Token::kName;
      while (i < text.size() && IsNameChar(text[i])) token.text.push_back(text[i++]);
    } else if (std::string(",|()+-~{}").find(c) != std::string::npos) {
      token.kind = Token::kSymbol;
      token.text = std::string(1, c);
      ++i;
    } else {
      *error = Where(file, line) + "unexpected character '" + std::string(1, c) + "'";
      return false;
    }
    tokens->push_back(token);
  }
  return true;
}

bool TokenizeScript(const std::string& path, std::vector<Token>* tokens,
                    std::vector<std::pair<std::string, std::string>>* defines, std::string* error) {
  Reader reader{tokens, defines, error};
  if (!reader.ReadFile(path, 0)) return false;
  Token end;
  end.kind = Token::kEnd;
  end.file = path;
  tokens->push_back(end);
  return true;
}

}  // namespace rcgen
