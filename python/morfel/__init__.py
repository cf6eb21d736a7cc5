"""Morfel's per-pixel programs on NumPy images.

    import numpy, morfel
    out = morfel.apply(pixels, program="Deform/Twirl", params={"angle": 90})

apply() runs a program of the library (or one given as text) on an HxWx3
or HxWx4 uint8 array and returns a new array; check(), programs(), show()
and functions() look at programs and the language. The run is the one
``morfel apply`` makes: the same pixels, the same messages.
"""

from . import _morfel
from ._errors import CompileError, Error, ProgramWarning, RunStopped

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


# The calls with their Python signatures; their documentation is the
# extension's.
def apply(image, *, program=None, init=None, transform=None, file=None, params=None,
          interpolation="round", threads=None, timeout=None, engine=None, base=None,
          progress=None):
    return _morfel.apply(image, program=program, init=init, transform=transform, file=file,
                         params=params, interpolation=interpolation, threads=threads,
                         timeout=timeout, engine=engine, base=base, progress=progress)


def check(init="", transform=""):
    return _morfel.check(init, transform)


def programs(base=None):
    return _morfel.programs(base)


def show(name, *, base=None):
    return _morfel.show(name, base=base)


def functions():
    return _morfel.functions()


def variables():
    return _morfel.variables()


for _call in (apply, check, programs, show, functions, variables):
    _call.__doc__ = getattr(_morfel, _call.__name__).__doc__
del _call
