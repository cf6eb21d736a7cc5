from os import PathLike
from typing import Callable, Mapping, Optional, Union

import numpy
import numpy.typing

from ._errors import CompileError as CompileError
from ._errors import Error as Error
from ._errors import ProgramWarning as ProgramWarning
from ._errors import RunStopped as RunStopped

_Path = Union[str, "PathLike[str]"]

def apply(
    image: numpy.typing.NDArray[numpy.uint8],
    *,
    program: Optional[str] = None,
    init: Optional[str] = None,
    transform: Optional[str] = None,
    file: Optional[_Path] = None,
    params: Optional[Mapping[str, Union[int, float, str]]] = None,
    interpolation: str = "round",
    threads: Optional[int] = None,
    timeout: Optional[float] = None,
    engine: Optional[str] = None,
    base: Optional[_Path] = None,
    progress: Optional[Callable[[float], object]] = None,
) -> numpy.typing.NDArray[numpy.uint8]: ...
def check(init: str = "", transform: str = "") -> list[str]: ...
def programs(base: Optional[_Path] = None) -> list[str]: ...
def show(name: str, *, base: Optional[_Path] = None) -> dict[str, object]: ...
def functions() -> list[tuple[str, str, str]]: ...
def variables() -> list[tuple[str, str]]: ...
