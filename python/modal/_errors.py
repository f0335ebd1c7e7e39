"""The package's exceptions that its extension modules raise."""


class DataError(ValueError):
    """A data file of the glucose study that cannot be used: `message` says
    why, `file` names it, `row` and `column` (from 1; 0 when the error is not
    at one value) say where."""

    def __init__(self, message, file, row, column):
        super().__init__(message)
        self.message, self.file, self.row, self.column = message, file, row, column
