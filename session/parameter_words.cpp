// The --param words of morfel apply (and of every front end that takes
// parameters as text) checked against a program's declarations before a
// run: by variable name (NAME=VALUE) or by position.
#include <cctype>
#include <cstring>

#include "image/image.h"
#include "library/library.h"
#include "script/script.h"
#include "session/session.h"
#include "transform/transform.h"

namespace {

struct Declared {
  std::vector<ParamSlot> slots;
  bool malformed = false;
};

Declared ReadDeclarations(const std::string& initText) {
  ScriptEngine engine;
  ParamSlot slots[kParamSlotCount + 1] = {};
  int32_t count = 0;
  ParamTable table{slots, &count};
  Declared declared;
  declared.malformed =
      !ParseParamDeclarations(engine, initText.c_str(), table, kDeclareDefaults, nullptr);
  declared.slots.assign(slots, slots + (declared.malformed ? 0 : count));
  return declared;
}

// "NAME=VALUE" with NAME a variable name; "a==b" and "x<=3" are values.
bool SplitNamed(const std::string& word, std::string* name, std::string* value) {
  size_t equals = word.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  if (equals + 1 < word.size() && word[equals + 1] == '=') return false;
  if (!std::isalpha(static_cast<unsigned char>(word[0])) && word[0] != '_') return false;
  for (size_t i = 1; i < equals; ++i) {
    if (!std::isalnum(static_cast<unsigned char>(word[i])) && word[i] != '_') return false;
  }
  *name = word.substr(0, equals);
  *value = word.substr(equals + 1);
  return true;
}

std::string DeclaredNames(const Declared& declared) {
  std::string names;
  for (const ParamSlot& slot : declared.slots)
    names += (names.empty() ? "" : ", ") + std::string(slot.name);
  return names.empty() ? "none" : names;
}

bool OnlySpaces(const char* text) {
  while (*text != '\0' && std::isspace(static_cast<unsigned char>(*text))) ++text;
  return *text == '\0';
}

// A value is an expression list over the built-in variables and the
// parameters; the run would take any other name as a fresh variable of 0.
bool Evaluates(const Declared& declared, const std::string& value, int32_t* number) {
  ScriptEngine engine;
  RgbtImage image(10, 10, 3);
  engine.InstallBuiltinVariables(image);
  for (const ParamSlot& slot : declared.slots) engine.DefineVariable(slot.name, 0);
  int known = engine.variableTable.count();
  int32_t compiled = engine.CompileList(value.c_str(), ProgramSlot::kScratch).length;
  if (compiled == 0 || !OnlySpaces(value.c_str() + compiled)) return false;
  if (engine.variableTable.count() != known) return false;
  *number = EvaluateParamText(engine, value.c_str());
  return true;
}

bool CheckValue(const Declared& declared, size_t row, const std::string& value, ParameterRows* rows,
                std::string* error) {
  const ParamSlot& slot = declared.slots[row];
  std::string label = std::string("--param ") + slot.name;
  if (value.size() > static_cast<size_t>(kNameTextSize - 1)) {
    *error = label + ": the value is " + std::to_string(value.size()) +
             " characters long; the dialog takes at most " + std::to_string(kNameTextSize - 1);
    return false;
  }
  int32_t number = 0;
  if (!Evaluates(declared, value, &number)) {
    *error = label + ": \"" + value +
             "\" is not a value (a number or an expression of the "
             "built-in variables)";
    return false;
  }
  if (number < slot.minimum || number > slot.maximum) {
    rows->notes.push_back(std::string(slot.name) + " = " + value + " lies outside its range " +
                          std::to_string(slot.minimum) + " to " + std::to_string(slot.maximum) +
                          "; it is used as given");
  }
  if (!rows->values[row].empty()) {
    *error = label + " is given twice";
    return false;
  }
  rows->values[row] = value;
  return true;
}

}  // namespace

bool ResolveParameters(const std::string& initText, const std::vector<std::string>& words,
                       ParameterRows* rows, std::string* error) {
  Declared declared = ReadDeclarations(initText);
  if (declared.malformed) {
    // The editor's Check says so; the dialog would run without parameters.
    *error = "Error in Initial parameter setting.";
    return false;
  }
  if (words.empty()) return true;
  rows->values.assign(declared.slots.size(), "");
  size_t positional = 0;
  for (const std::string& word : words) {
    std::string name, value;
    if (!SplitNamed(word, &name, &value)) ++positional;
  }
  if (positional > declared.slots.size()) {
    *error = "the program declares " + std::to_string(declared.slots.size()) +
             " parameter(s), but " + std::to_string(positional) + " --param were given";
    return false;
  }
  size_t nextRow = 0;
  for (const std::string& word : words) {
    std::string name, value;
    size_t row = declared.slots.size();
    if (SplitNamed(word, &name, &value)) {
      for (size_t i = 0; i < declared.slots.size(); ++i) {
        if (name == declared.slots[i].name) row = i;
      }
      if (row == declared.slots.size()) {
        *error = "--param " + name + ": the program has no such parameter; it declares " +
                 DeclaredNames(declared);
        rows->unknownName = true;
        return false;
      }
    } else {
      value = word;
      row = nextRow++;
    }
    if (!CheckValue(declared, row, value, rows, error)) return false;
  }
  return true;
}
