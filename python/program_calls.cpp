// Finding programs, checking them and listing the library and the language
// for Python, with morfel's words in the exceptions.
#include <pybind11/stl.h>

#include <memory>
#include <vector>

#include "files/files.h"
#include "python/python_front.h"

namespace {

py::object ErrorClass(const char* name) { return py::module_::import("morfel._errors").attr(name); }

std::string WithLf(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

}  // namespace

void Warn(const std::string& text) {
  if (PyErr_WarnEx(ErrorClass("ProgramWarning").ptr(), text.c_str(), 2) != 0) {
    throw py::error_already_set();
  }
}

std::string NoteText(const ProgramNote& note) { return note.Where() + ": " + note.Explained(); }

void RaiseCompileError(const ProgramNote& fault, const UserMessages& messages) {
  py::list texts;
  for (const UserMessage& message : messages) texts.append(message.text);
  py::object error =
      ErrorClass("CompileError")(ProgramTextName(fault.text), fault.line, fault.column,
                                 fault.reason, fault.hint, fault.lineText, fault.atFault, texts);
  PyErr_SetObject(ErrorClass("CompileError").ptr(), error.ptr());
  throw py::error_already_set();
}

std::string PreparedBaseFolder(const py::object& base) {
  const std::string folder =
      base.is_none() ? DefaultBaseFolder() : WithSeparator(py::str(base).cast<std::string>());
  std::string error;
  if (!PrepareBaseFolder(folder, &error)) {
    PyErr_SetString(PyExc_OSError, error.c_str());
    throw py::error_already_set();
  }
  return folder;
}

void LoadLibraryOf(const std::string& baseFolder, ProgramLibrary* library) {
  if (!LoadProgramLibrary(baseFolder.c_str(), library)) {
    PyErr_SetString(PyExc_OSError,
                    ("cannot read the library " + DataFile(baseFolder, "Morfel.ini")).c_str());
    throw py::error_already_set();
  }
}

ProgramTexts LibraryProgramTexts(const std::string& baseFolder, const std::string& groupName) {
  const size_t slash = groupName.find('/');
  if (slash == std::string::npos) {
    throw py::value_error("a program is named GROUP/NAME: " + groupName);
  }
  ProgramTexts texts;
  texts.group = groupName.substr(0, slash);
  texts.name = groupName.substr(slash + 1);
  texts.fromLibrary = true;
  ProgramLibrary library;
  LoadLibraryOf(baseFolder, &library);
  const NamedProgram found = FindNamedProgram(library, texts.group, texts.name);
  if (found.index < 0) {
    throw py::key_error("no program " + groupName + " in the library" +
                        ClosestProgramsText(library, groupName));
  }
  texts.initText = found.initText;
  texts.transformText = found.transformText;
  return texts;
}

ProgramTexts ChosenProgramTexts(const std::string& baseFolder, const py::object& program,
                                const py::object& init, const py::object& transform,
                                const py::object& file) {
  const bool byText = !init.is_none() || !transform.is_none();
  const int ways = !program.is_none() + byText + !file.is_none();
  if (ways != 1) {
    throw py::value_error(
        "give one program: program='Group/Name', init= and transform= texts, or file=");
  }
  if (!program.is_none()) return LibraryProgramTexts(baseFolder, program.cast<std::string>());
  ProgramTexts texts;
  if (byText) {
    texts.initText = WithCrLf(init.is_none() ? "" : init.cast<std::string>());
    texts.transformText = WithCrLf(transform.is_none() ? "" : transform.cast<std::string>());
    return texts;
  }
  AdHocProgram read;
  std::vector<std::string> warnings;
  std::string error;
  if (!ReadProgramFile(py::str(file).cast<std::string>(), &read, &warnings, &error)) {
    PyErr_SetString(PyExc_OSError, error.c_str());
    throw py::error_already_set();
  }
  for (const std::string& warning : warnings) Warn(warning);
  texts.group = read.group;
  texts.name = read.name;
  texts.initText = read.initText;
  texts.transformText = read.transformText;
  return texts;
}

// ---------------------------------------------------------------- the other calls

std::vector<std::string> CheckTexts(const std::string& init, const std::string& transform) {
  const ProgramDiagnosis diagnosis = DiagnoseLfProgramTexts(init, transform);
  if (diagnosis.fault.text != ProgramFault::kNone) RaiseCompileError(diagnosis.fault, {});
  std::vector<std::string> warnings;
  for (const ProgramNote& warning : diagnosis.warnings) warnings.push_back(NoteText(warning));
  return warnings;
}

std::vector<std::string> ProgramNames(const py::object& base) {
  ProgramLibrary library;
  LoadLibraryOf(PreparedBaseFolder(base), &library);
  return ListedProgramNames(library);
}

py::dict ShowProgram(const std::string& groupName, const py::object& base) {
  const ProgramTexts texts = LibraryProgramTexts(PreparedBaseFolder(base), groupName);
  py::dict shown;
  shown["group"] = texts.group;
  shown["name"] = texts.name;
  shown["init"] = WithLf(texts.initText);
  shown["transform"] = WithLf(texts.transformText);
  // The declarations as the main dialog reads them when the program is chosen.
  std::unique_ptr<FilterContext> context = CreateFilterContext("");
  if (context == nullptr) throw std::bad_alloc();
  context->TakeProgramTexts(texts.initText.c_str(), "");
  if (!context->ReadDeclarations(kDeclareDefaults, nullptr)) {
    shown["parameters"] = py::none();
    return shown;
  }
  py::list parameters;
  for (int32_t row = 0; row < context->DeclaredRows(); ++row) {
    const ParamSlot& slot = context->slots[row];
    py::dict parameter;
    parameter["name"] = std::string(slot.name);
    parameter["caption"] = std::string(slot.message);
    parameter["minimum"] = slot.minimum;
    parameter["maximum"] = slot.maximum;
    parameter["default"] = std::string(slot.value);
    parameters.append(parameter);
  }
  shown["parameters"] = parameters;
  return shown;
}

py::list BuiltinFunctions() {
  py::list functions;
  for (int i = 0; BuiltinTable[i].name != nullptr; ++i) {
    const BuiltinEntry& function = BuiltinTable[i];
    functions.append(py::make_tuple(function.name, function.arguments, function.help));
  }
  return functions;
}

py::list BuiltinVariables() {
  py::list variables;
  for (const BuiltinVariableEntry& variable : kBuiltinVariableTable) {
    variables.append(py::make_tuple(variable.name, variable.help));
  }
  return variables;
}
