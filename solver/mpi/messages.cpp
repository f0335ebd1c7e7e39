#include "solver/mpi/messages.h"

#include <cstring>

namespace modal::mpi {

namespace {

template <class T>
void put(std::vector<unsigned char>& m, std::size_t& at, const std::vector<T>& v) {
    if (v.empty()) return;
    std::memcpy(m.data() + at, v.data(), v.size() * sizeof(T));
    at += v.size() * sizeof(T);
}

template <class T> std::size_t bytes(const std::vector<T>& v) {
    return v.size() * sizeof(T);
}

template <class T>
bool take(const std::vector<unsigned char>& m, std::size_t& at, std::size_t count,
          std::vector<T>& v) {
    if (count > (m.size() - at) / sizeof(T)) return false;
    v.resize(count);
    if (count == 0) return true;
    std::memcpy(v.data(), m.data() + at, count * sizeof(T));
    at += count * sizeof(T);
    return true;
}

} // namespace

std::vector<unsigned char> sub_paving_message(const sub_paving& p, std::uint64_t index,
                                              double seconds, bool memory_ran_out) {
    const paving_header h{index,
                          seconds,
                          p.kinds.size(),
                          p.levels(),
                          p.waiting_depths.size(),
                          memory_ran_out ? 1U : 0U,
                          p.trace.size()};
    std::vector<unsigned char> m(sizeof h + bytes(p.bounds) + bytes(p.waiting) +
                                 bytes(p.level_starts) + bytes(p.kinds) + bytes(p.trace));
    std::memcpy(m.data(), &h, sizeof h);
    std::size_t at = sizeof h;
    put(m, at, p.bounds);
    put(m, at, p.waiting);
    put(m, at, p.level_starts);
    put(m, at, p.kinds);
    put(m, at, p.trace);
    return m;
}

bool read_sub_paving(const std::vector<unsigned char>& message, std::size_t box_doubles,
                     paving_header& h, sub_paving& p) {
    if (message.size() < sizeof h) return false;
    std::memcpy(&h, message.data(), sizeof h);
    std::size_t at = sizeof h;
    if (h.decided > message.size() || h.waiting > message.size() || h.levels > message.size() ||
        h.trace > message.size())
        return false;
    const bool whole = take(message, at, h.decided * box_doubles, p.bounds) &&
                       take(message, at, h.waiting * box_doubles, p.waiting) &&
                       take(message, at, h.levels + 1, p.level_starts) &&
                       take(message, at, h.decided, p.kinds) &&
                       take(message, at, h.trace, p.trace) && at == message.size();
    if (!whole || p.level_starts.back() != h.decided) return false;
    for (const std::uint8_t code : p.trace)
        if (code > sub_paving::kCutBox) return false;
    p.waiting_depths.assign(h.waiting, 0);
    return true;
}

} // namespace modal::mpi
