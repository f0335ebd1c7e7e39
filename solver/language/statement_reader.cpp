#include "solver/language/statement_reader.h"

#include <algorithm>
#include <string_view>

#include "solver/language/actions.h"

namespace modal {

namespace {

// Characters in `s`: bytes that do not continue a UTF-8 sequence.
std::size_t characters(std::string_view s) {
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0u) != 0x80u;
    }));
}

// Where a comment starts in a line: the first '%' after a ';' that ends the
// text before it on the line; npos when there is none.
std::size_t commentAfterStatement(std::string_view line) {
    for (std::size_t at = line.find('%'); at != std::string_view::npos;
         at = line.find('%', at + 1)) {
        const std::string_view before = trim_white_space(line.substr(0, at));
        if (!before.empty() && before.back() == ';') return at;
    }
    return std::string_view::npos;
}

} // namespace

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

    std::string_view trimmed = trim_white_space(line_);
    const bool commentLine = !pending_ && !trimmed.empty() && trimmed.front() == '%';
    if (!commentLine) {
        if (const std::size_t at = commentAfterStatement(trimmed); at != std::string_view::npos)
            trimmed = trim_white_space(trimmed.substr(0, at));
    }
    if (!pending_) {
        text_.clear();
        pieces_.clear();
    }
    if (!trimmed.empty()) {
        const auto lead = static_cast<std::size_t>(trimmed.data() - line_.data());
        pieces_.push_back(
            {text_.size(), line_number_, 1 + characters(std::string_view(line_).substr(0, lead))});
    }
    text_ += trimmed; // a pending text is never empty, never a comment

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

statement_reader::position statement_reader::position_of(std::size_t offset) const {
    offset = std::min(offset, text_.size());
    if (pieces_.empty()) return {line_number_, 1};
    auto p = std::upper_bound(pieces_.begin(), pieces_.end(), offset,
                              [](std::size_t o, const piece& q) { return o < q.offset; });
    if (p != pieces_.begin()) --p;
    return {p->line, p->column + characters(std::string_view(text_).substr(
                                     p->offset, offset - std::min(offset, p->offset)))};
}

} // namespace modal
