"""Morfel's per-pixel programs on NumPy images.

    import numpy, morfel
    out = morfel.apply(pixels, program="Deform/Twirl", params={"angle": 90})

apply() runs a program of the library (or one given as text) on an HxWx3
or HxWx4 uint8 array and returns a new array; check(), programs(), show()
and functions() look at programs and the language. The run is the one
``morfel apply`` makes: the same pixels, the same messages.
"""

from ._errors import CompileError, Error, ProgramWarning, RunStopped
from ._morfel import apply, check, functions, programs, show, variables

__all__ = [
    "apply",
    "check",
    "programs",
    "show",
    "functions",
    "variables",
    "Error",
    "CompileError",
    "RunStopped",
    "ProgramWarning",
]
