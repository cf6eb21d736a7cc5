"""The exceptions and warnings of morfel (raised from the extension)."""


class Error(Exception):
    """A program that cannot run, or a run that did not end well."""


class ProgramWarning(UserWarning):
    """What the check finds wasteful or suspicious in a program that runs,
    a parameter outside its declared range, or a stray line of a program
    file."""


class CompileError(Error):
    """A program text that does not compile (or malformed declarations).

    text:      "Init" or "Transform", the text the fault is in
    line:      its line in that text, from 1 (0 when none can be named)
    column:    its column, from 1, counting bytes (0 when none)
    reason:    why, e.g. "unknown function 'sinn'"
    hint:      what would fix it, e.g. "did you mean 'sin'?", or ""
    line_text: the whole line the fault is on
    at_fault:  the text at fault ("" at the end of the text)
    messages:  the dialogs' own messages, e.g. "Error in Transform program in line 2."

    str(e) is "Transform line 2, column 5: reason (hint)" with the line and a
    caret under the column below it, as morfel prints it.
    """

    def __init__(self, text="", line=0, column=0, reason="", hint="", line_text="",
                 at_fault="", messages=()):
        self.text = text
        self.line = line
        self.column = column
        self.reason = reason
        self.hint = hint
        self.line_text = line_text
        self.at_fault = at_fault
        self.messages = list(messages)
        super().__init__(self._message())

    def _message(self):
        if not self.text:
            return "\n".join(self.messages) or "the program does not compile"
        where = self.text
        if self.line > 0:
            where += " line %d" % self.line
        if self.column > 0:
            where += ", column %d" % self.column
        why = self.reason + (" (%s)" % self.hint if self.hint else "")
        shown = "%s: %s" % (where, why)
        if self.line > 0:
            # The caret keeps the line's tabs so that it lines up.
            pad = "".join("\t" if c == "\t" else " " for c in self.line_text[: max(self.column - 1, 0)])
            shown += "\n  %s\n  %s^" % (self.line_text, pad)
        return shown


class RunStopped(Error):
    """The engine stopped a program run: at pixel (x, y) of the result, or in
    the Init program (x and y are -1); reason says why, e.g. "division by
    zero". str(e) is the system's message, e.g.
    "The program was stopped at pixel (3, 7): the stack is full."
    """

    def __init__(self, message, x=-1, y=-1, reason=""):
        self.x = x
        self.y = y
        self.reason = reason
        super().__init__(message)
