#include "solver/driver/runs.h"

#include <chrono>
#include <system_error>

namespace modal {

std::filesystem::file_time_type write_clock_now() {
    return std::filesystem::file_time_type::clock::now();
}

bool written_since(const std::string& path, std::filesystem::file_time_type since) {
    std::error_code ec;
    const auto when = std::filesystem::last_write_time(path, ec);
    return !ec && when >= since - std::chrono::seconds(2);
}

run_kind run_kind_for(std::string_view algorithm_name) noexcept {
    if (algorithm_name == "FSTAR" || algorithm_name == "MINMAX" || algorithm_name == "LOGIC") {
        return run_kind::fstar;
    }
    if (algorithm_name == "QSI" || algorithm_name == "CONTRACTOR") return run_kind::set_inversion;
    return run_kind::none;
}

} // namespace modal
