class Error(Exception): ...
class ProgramWarning(UserWarning): ...

class CompileError(Error):
    text: str
    line: int
    column: int
    reason: str
    hint: str
    line_text: str
    at_fault: str
    messages: list[str]
    def __init__(self, text: str = ..., line: int = ..., column: int = ..., reason: str = ...,
                 hint: str = ..., line_text: str = ..., at_fault: str = ...,
                 messages: object = ...) -> None: ...

class RunStopped(Error):
    x: int
    y: int
    reason: str
    def __init__(self, message: str, x: int = ..., y: int = ..., reason: str = ...) -> None: ...
