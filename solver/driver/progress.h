// A one-line progress display for long runs, on a terminal: the steps of an
// F* run with its current Tol, or the boxes a QSI run has decided, and the
// time so far. Redrawn at most a few times a second; cleared at the end.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "modal/solve.h"

namespace modal {

class progress_display {
public:
    // Draws on `err` only when `enabled`; `label` starts the line.
    progress_display(std::ostream& err, bool enabled, std::string label);
    ~progress_display() { finish(); }
    progress_display(const progress_display&) = delete;
    progress_display& operator=(const progress_display&) = delete;

    bool enabled() const noexcept { return enabled_; }
    // Where a run stands (drawn when the last drawing is old enough).
    void show(const progress& p);
    // Clears the line, if one was drawn.
    void finish();

private:
    using clock = std::chrono::steady_clock;
    bool due();
    void draw(const std::string& text);

    std::ostream& err_;
    bool enabled_;
    bool drawn_ = false;
    std::string label_;
    clock::time_point start_ = clock::now();
    clock::time_point next_ = start_;
};

} // namespace modal
