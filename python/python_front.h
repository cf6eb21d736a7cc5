// The Python front end's own pieces, shared by its files: raising the
// package's exceptions and warnings, and finding programs as morfel does.
#ifndef MORFEL_PYTHON_PYTHON_FRONT_H
#define MORFEL_PYTHON_PYTHON_FRONT_H

#include <pybind11/pybind11.h>

#include <optional>
#include <string>

#include "session/session.h"

namespace py = pybind11;

// The program's texts as morfel takes them: from the library, a file or
// the arguments, every line ended by CR LF as the editor's boxes hold them.
struct ProgramTexts {
  std::string group = "Command line";
  std::string name = "Program";
  std::string initText;
  std::string transformText;
  bool fromLibrary = false;
};

// The base folder of `base` (None: the one morfel uses), prepared with the
// starter library when it has none. Raises OSError.
std::string PreparedBaseFolder(const py::object& base);
// The library of the base folder. Raises OSError.
void LoadLibraryOf(const std::string& baseFolder, ProgramLibrary* library);
// 'Group/Name' of the library. Raises ValueError, KeyError (with the
// closest names) or OSError.
ProgramTexts LibraryProgramTexts(const std::string& baseFolder, const std::string& groupName);
// The texts of apply's program, init/transform or file argument. Raises
// ValueError when none or more than one way is given.
ProgramTexts ChosenProgramTexts(const std::string& baseFolder, const py::object& program,
                                const py::object& init, const py::object& transform,
                                const py::object& file);

// Raises morfel.CompileError for the diagnosis's fault, with messages.
[[noreturn]] void RaiseCompileError(const ProgramNote& fault, const UserMessages& messages);
// Issues a morfel.ProgramWarning.
void Warn(const std::string& text);
// "Transform line 2, column 3: why".
std::string NoteText(const ProgramNote& note);

// apply() itself (see morfel_module.cpp for its arguments).
py::object Apply(const py::object& image, const py::object& program, const py::object& init,
                 const py::object& transform, const py::object& file, const py::object& params,
                 const std::string& interpolation, const py::object& threads,
                 const py::object& timeout, const py::object& engine, const py::object& base,
                 const py::object& progress);

#endif
