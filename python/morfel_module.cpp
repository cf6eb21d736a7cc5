// The extension's table: the calls and their documentation. The package's
// __init__.py gives each call its Python signature, so help() shows that
// and this text rather than pybind11's generated one.
#include <pybind11/stl.h>

#include "python/python_front.h"

std::vector<std::string> CheckTexts(const std::string& init, const std::string& transform);
std::vector<std::string> ProgramNames(const py::object& base);
py::dict ShowProgram(const std::string& groupName, const py::object& base);
py::list BuiltinFunctions();
py::list BuiltinVariables();

namespace {

constexpr const char* kApplyDoc =
    R"(Runs a program on an image and returns the result as a new array.

image          numpy.ndarray of uint8, HxWx3 (RGB) or HxWx4 (RGBA), any strides;
               only read, never changed. An RGB image runs fully opaque.
program        'Group/Name' of the library in base, or
init, transform  the program's two texts (either may be left out), or
file           a program file (Group=, Name=, Init=, Prog= lines).
params         {name: value}: the declared parameters by variable name; a value
               is a number or a value text ("cx/2"). Others keep their defaults.
interpolation  'round' (default), 'linear' or 'bezier': how source colours are sampled.
threads        threads a pass may use (default: MORFEL_THREADS, else all).
timeout        seconds after which the run stops with TimeoutError.
engine         'interpreter' or 'compiled' (default: MORFEL_ENGINE, else compiled).
base           the base folder (default: the one morfel uses, $XDG_DATA_HOME/morfel/,
               else ~/.local/share/morfel/); prepared with the starter library when new.
progress       called with the fraction done (0 to 1), from the calling thread, a
               few times a second and once with 1.0 at the end; an exception it
               raises stops the run and comes out of apply.

Returns an array of the image's shape: HxWx4 carries the transparency the
program wrote, HxWx3 drops it (pass RGBA to keep it). The pixels are those
`morfel apply` writes. The run releases the GIL; Ctrl-C stops it within a
fraction of a second (KeyboardInterrupt).

Raises CompileError (a text does not compile), RunStopped (the engine stopped
the program at a pixel), KeyError (an unknown program or parameter name),
ValueError (a bad parameter value or argument), TypeError (not a uint8 array),
OSError (the base folder, library or file cannot be read), TimeoutError.
Warns ProgramWarning for what check() finds and for values outside their range.)";

constexpr const char* kCheckDoc = R"(Checks a program's texts as the editor's Check does.

Returns the warnings, each "Transform line 1, column 5: why"; raises
CompileError for the first fault (declarations, Init or Transform).)";

constexpr const char* kProgramsDoc =
    R"(Lists the library's programs as 'Group/Name', in library order.

base: the base folder (default: the one morfel uses).)";

constexpr const char* kShowDoc =
    R"(A library program: {'group', 'name', 'init', 'transform', 'parameters'}.

parameters is a list of {'name', 'caption', 'minimum', 'maximum', 'default'},
in declaration order, or None when the declarations are malformed. Raises
KeyError for an unknown program, naming the closest ones.)";

constexpr const char* kFunctionsDoc =
    R"(The language's built-in functions: (name, arguments, description) each.)";

constexpr const char* kVariablesDoc = R"(The built-in variables: (name, description) each.)";

}  // namespace

PYBIND11_MODULE(_morfel, module) {
  module.doc() = "The extension of the morfel package (import morfel instead).";
  py::options options;
  options.disable_function_signatures();
  module.def("apply", &Apply, kApplyDoc, py::arg("image"), py::kw_only(),
             py::arg("program") = py::none(), py::arg("init") = py::none(),
             py::arg("transform") = py::none(), py::arg("file") = py::none(),
             py::arg("params") = py::none(), py::arg("interpolation") = "round",
             py::arg("threads") = py::none(), py::arg("timeout") = py::none(),
             py::arg("engine") = py::none(), py::arg("base") = py::none(),
             py::arg("progress") = py::none());
  module.def("check", &CheckTexts, kCheckDoc, py::arg("init") = "", py::arg("transform") = "");
  module.def("programs", &ProgramNames, kProgramsDoc, py::arg("base") = py::none());
  module.def("show", &ShowProgram, kShowDoc, py::arg("name"), py::kw_only(),
             py::arg("base") = py::none());
  module.def("functions", &BuiltinFunctions, kFunctionsDoc);
  module.def("variables", &BuiltinVariables, kVariablesDoc);
}
