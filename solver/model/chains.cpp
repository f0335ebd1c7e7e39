#include "solver/model/chains.h"

#include <utility>
#include <vector>

namespace modal {

int chainClass(nodeKind k) noexcept {
    switch (k) {
    case nodeKind::plus:
    case nodeKind::sub:
        return 1;
    case nodeKind::mul:
        return 2;
    default:
        return 0;
    }
}

int balancedDepth(std::size_t terms, int deepestTerm) noexcept {
    int levels = 0;
    for (std::size_t n = 1; n < terms; n *= 2)
        ++levels;
    return deepestTerm + levels;
}

namespace {

// A term of a chain: the subtree and whether it is subtracted.
struct term {
    nodeId id;
    bool minus;
};

// Builds the signed sum (or product) of `terms`, the first one added, into
// the binary nodes `spine` (one fewer than the terms), balanced. A half that
// starts with a subtracted term is subtracted whole, its signs flipped:
// L + (-c - d) is L - (c + d).
nodeId build(tree& t, std::vector<term>& terms, std::size_t first, std::size_t last,
             std::vector<nodeId>& spine, bool product) {
    if (last - first == 1) return terms[first].id;
    const std::size_t middle = first + (last - first) / 2;
    const nodeId left = build(t, terms, first, middle, spine, product);
    const bool subtract = terms[middle].minus;
    if (subtract)
        for (std::size_t i = middle; i < last; ++i)
            terms[i].minus = !terms[i].minus;
    const nodeId right = build(t, terms, middle, last, spine, product);
    const nodeId n = spine.back();
    spine.pop_back();
    node& b = t.at(n);
    b.kind = product ? nodeKind::mul : (subtract ? nodeKind::sub : nodeKind::plus);
    b.left = left;
    b.right = right;
    return n;
}

} // namespace

void balanceLongChains(tree& t) {
    if (t.root == noNode) return;
    // Nodes to visit, each with whether it continues its parent's chain.
    std::vector<std::pair<nodeId, bool>> stack{{t.root, false}};
    std::vector<term> terms;
    std::vector<nodeId> spine;
    while (!stack.empty()) {
        const auto [id, continues] = stack.back();
        stack.pop_back();
        if (id == noNode) continue;
        node& n = t.at(id);
        const int cls = chainClass(n.kind);
        if (cls == 0 || continues || n.left == noNode || n.right == noNode) {
            const bool chainsLeft =
                cls != 0 && n.left != noNode && chainClass(t.at(n.left).kind) == cls;
            stack.emplace_back(n.right, false);
            stack.emplace_back(n.left, chainsLeft);
            continue;
        }
        // The head of a chain: its terms, rightmost first along the left spine.
        terms.clear();
        spine.clear();
        nodeId at = id;
        while (chainClass(t.at(at).kind) == cls && t.at(at).left != noNode &&
               t.at(at).right != noNode) {
            spine.push_back(at);
            terms.push_back({t.at(at).right, t.at(at).kind == nodeKind::sub});
            at = t.at(at).left;
        }
        terms.push_back({at, false});
        for (const term& x : terms)
            stack.emplace_back(x.id, false);
        if (terms.size() <= kLongestChain) {
            // Left as written: its nodes are walked as the chain it is.
            continue;
        }
        // The chain's own binary nodes are used again. build takes them from
        // the back and the root last, so the head, which its parent points
        // at, goes in front.
        std::vector<term> ordered(terms.rbegin(), terms.rend());
        std::vector<nodeId> nodes(spine.rbegin(), spine.rend());
        std::swap(nodes.front(), nodes.back());
        build(t, ordered, 0, ordered.size(), nodes, cls == 2);
    }
}

} // namespace modal
