// The problems of the optimisation suite (the files of optim/), as the
// benchmark and the suite's test read them: each file's text and the
// published minimum of its "% Optimum:" line, with the half-width of the
// neighbourhood that the value's printed digits stand for.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace modal::optim_suite {

struct problem {
    std::string name;
    std::string text;
    double optimum = std::nan(""); // NaN: the file gives none
    // 10^-k for a value printed with k decimals, 0 for one marked exact;
    // never below a few ulps of the value.
    double halfWidth = 0;

    // Whether an enclosure [lo, hi] of the minimum meets the published one
    // (a NaN bound claims nothing).
    bool holds(double lo, double hi) const {
        return !(hi < optimum - halfWidth) && !(lo > optimum + halfWidth);
    }
};

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The problems of `dir` by name.
inline std::vector<problem> read(const std::filesystem::path& dir) {
    static const std::regex optimum(
        R"(^% Optimum: ([-+]?[0-9]*(?:\.([0-9]*))?(?:[eE]([-+]?[0-9]+))?)( \(exact\))?\s*$)",
        std::regex::multiline);
    std::vector<problem> suite;
    if (!std::filesystem::is_directory(dir)) return suite;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().extension() != ".txt") continue;
        problem p{e.path().stem().string(), readFile(e.path())};
        std::smatch m;
        if (std::regex_search(p.text, m, optimum)) {
            p.optimum = std::strtod(m[1].str().c_str(), nullptr);
            if (!m[4].matched) {
                const double decimals = static_cast<double>(m[2].length()) -
                                        (m[3].matched ? std::atof(m[3].str().c_str()) : 0);
                const double v = std::fabs(p.optimum);
                p.halfWidth =
                    std::max(std::pow(10.0, -decimals), 4 * (std::nextafter(v, INFINITY) - v));
            }
        }
        suite.push_back(std::move(p));
    }
    std::sort(suite.begin(), suite.end(),
              [](const problem& a, const problem& b) { return a.name < b.name; });
    return suite;
}

// The problem text with the accelerated mode's options after its Algorithm
// statement (MeanValue=1, and Contract=1 where it has constraints).
inline std::string acceleratedText(const std::string& text) {
    static const std::regex algorithm(R"(^Algorithm=[^\n]*)", std::regex::multiline);
    static const std::regex constraint(R"(^c:=)", std::regex::multiline);
    const bool constrained = std::regex_search(text, constraint);
    return std::regex_replace(text, algorithm,
                              constrained ? "$&\nMeanValue=1;\nContract=1;" : "$&\nMeanValue=1;",
                              std::regex_constants::format_first_only);
}

} // namespace modal::optim_suite
