#include "solver/plot/paving_picture.h"

#include <cstddef>

#include "solver/sets/box_store.h"
#include "solver/sets/qsi.h"

namespace modal {

namespace {

box startBox(const result& r) {
    box b;
    for (const component& c : r.start)
        b.append(variable(0, c.value, c.name));
    b.setPlotX(r.plot_x);
    b.setPlotY(r.plot_y);
    return b;
}

toolkit::Color colourOf(box_kind k) {
    return k == box_kind::solution       ? kSolutionColor
           : k == box_kind::non_solution ? kNonSolutionColor
                                         : kUndefinedColor;
}

// Box k of `list` has the bounds of `b`.
bool sameBounds(const box& b, const box_list& list, std::size_t k) {
    if (k >= list.size()) return false;
    for (int v = 0; v < b.size(); ++v) {
        const ivalDb x = list.at(k, static_cast<std::size_t>(v));
        if (x.inf() != b[v].domain.inf() || x.sup() != b[v].domain.sup()) return false;
    }
    return true;
}

// Every box of a kind, loaded into `b`.
void fillAll(const box_list& list, box_kind kind, box& b, repere& frame) {
    for (std::size_t k = 0; k < list.size(); ++k) {
        for (int v = 0; v < b.size(); ++v)
            b[v].domain = list.at(k, static_cast<std::size_t>(v));
        frame.fillBox(b, colourOf(kind), kOutlineColor, 0);
    }
}

} // namespace

ivalDb horizontalRange(const result& r) {
    return r.start.empty() ? ivalDb(-1, 1)
                           : prop(r.start[static_cast<std::size_t>(r.plot_x)].value);
}

ivalDb verticalRange(const result& r) {
    return r.start.size() < 2 ? ivalDb(-1, 1)
                              : prop(r.start[static_cast<std::size_t>(r.plot_y)].value);
}

void drawPaving(const result& r, repere& frame) {
    box b = startBox(r);
    // The whole frame starts white.
    frame.fillBox(b, toolkit::kWhite, toolkit::kWhite, 0);
    if (r.start.size() > 2) {
        for (const box_kind kind :
             {box_kind::non_solution, box_kind::undefined, box_kind::solution})
            fillAll(r.boxes(kind), kind, b, frame);
        return;
    }
    if (r.contracted) {
        // Each box in the order it was decided.
        std::size_t next[3] = {0, 0, 0};
        for (const box_kind kind : r.decided) {
            const auto k = static_cast<std::size_t>(kind);
            const box_list& list = r.boxes(kind);
            if (next[k] >= list.size()) continue;
            for (int v = 0; v < b.size(); ++v)
                b[v].domain = list.at(next[k], static_cast<std::size_t>(v));
            ++next[k];
            frame.fillBox(b, colourOf(kind), kOutlineColor, 0);
        }
        return;
    }
    // The paving again, box by box in its queue order: a box that is not the
    // next decided one was cut in two by the rule the paving cuts with.
    std::vector<double> epsilons;
    for (int v = 0; v < b.size(); ++v)
        epsilons.push_back(b[v].domain.width() * r.epsilon);
    boxStore queue;
    queue.reset(b);
    queue.append(b);
    std::size_t head = 0;
    std::size_t next[3] = {0, 0, 0};
    box half = b;
    for (const box_kind kind : r.decided) {
        const auto k = static_cast<std::size_t>(kind);
        while (head < queue.size()) {
            queue.load(head++, b);
            if (sameBounds(b, r.boxes(kind), next[k])) {
                frame.fillBox(b, colourOf(kind), kOutlineColor, 0);
                ++next[k];
                break;
            }
            if (!bisectPaving(b, half, epsilons, r.epsilon)) break;
            queue.append(b);
            frame.outlineBox(b, kOutlineColor, 0, 1);
            queue.append(half);
            frame.outlineBox(half, kOutlineColor, 0, 1);
        }
        if (head > 4096 && 2 * head > queue.size()) {
            queue.dropFront(head);
            head = 0;
        }
    }
}

} // namespace modal
