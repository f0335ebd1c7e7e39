#include "solver/language/statement_reader.h"

#include "solver/language/actions.h"

namespace modal {

bool statement_reader::next() {
    if (finished_) return false;
    if (!std::getline(in_, line_)) {
        // Nothing left: the read yields an empty line and ends the input.
        if (in_.bad() || !in_.eof()) {
            error_ = true;
            finished_ = true;
            return false;
        }
        line_.clear();
    }
    finished_ = in_.eof();
    ++line_number_;

    const std::string_view trimmed = trim_white_space(line_);
    if (pending_) {
        text_ += trimmed; // a pending text is never empty, never a comment
    } else {
        text_.assign(trimmed);
    }

    if (text_.empty()) {
        kind_ = kind::blank;
    } else if (text_.front() == '%') {
        kind_ = kind::comment;
    } else if (text_.back() == ';') {
        kind_ = kind::statement;
    } else {
        kind_ = kind::pending;
    }
    pending_ = kind_ == kind::pending;
    return true;
}

} // namespace modal
