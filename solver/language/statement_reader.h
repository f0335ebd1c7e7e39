// Cuts a problem file into statement texts. Each line is trimmed of white
// space at both ends and joined, with nothing in between, to the text still
// pending from earlier lines, until the joined text ends with ';'. A '%'
// after a statement's ';' starts a comment that runs to the end of its line.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

namespace modal {

class statement_reader {
public:
    enum class kind {
        blank,     // an empty line with nothing pending
        comment,   // a line starting with '%' with nothing pending
        statement, // joined text ending with ';', to be parsed
        pending,   // joined text without ';' yet; it continues on the next line
    };

    // A place in the file: line and column, both from 1 (columns in
    // characters, a UTF-8 sequence counting once).
    struct position {
        long line = 0;
        std::size_t column = 0;
    };

    explicit statement_reader(std::istream& in) : in_(in) {}

    // Reads and classifies the next line. False once the line that met the
    // end of the input has been returned (a final line break yields one more
    // empty line), or when the input cannot be read.
    bool next();

    kind current_kind() const noexcept { return kind_; }
    // The joined text of the current line (the pending text included), without
    // a comment after its last ';'.
    const std::string& text() const noexcept { return text_; }
    // The input failed for another reason than reaching its end.
    bool read_error() const noexcept { return error_; }
    // Number of the current line, from 1.
    long line_number() const noexcept { return line_number_; }
    // Number of the line where the current text begins.
    long first_line() const noexcept { return pieces_.empty() ? line_number_ : pieces_[0].line; }
    // Where the character at byte `offset` of text() stands in the file.
    position position_of(std::size_t offset) const;

private:
    // Where the part of text() that a line gave starts, in text() and in the
    // file.
    struct piece {
        std::size_t offset;
        long line;
        std::size_t column;
    };

    std::istream& in_;
    std::string line_;
    std::string text_;
    std::vector<piece> pieces_;
    bool pending_ = false;
    bool finished_ = false;
    bool error_ = false;
    long line_number_ = 0;
    kind kind_ = kind::blank;
};

} // namespace modal
