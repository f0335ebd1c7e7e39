#include "solver/model/derivative_builder.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "solver/model/derivative_rules.h"

namespace modal {

namespace {

constexpr nodeId kUnset = -2;

class derivativeBuilder {
public:
    explicit derivativeBuilder(tree& t) : t_(t) {}

    // Parent links and the leaf of every slot; false when the expression is
    // not a tree.
    bool survey();
    // Copies, occurrence-free derivatives and their simplified forms of every
    // node of the expression.
    void buildShared();
    // The simplified derivative with respect to the occurrence in `slot`.
    nodeId derivative(int slot);

private:
    tree& t_;
    std::vector<nodeId> parent_;
    std::vector<nodeId> reachable_;
    std::vector<nodeId> leafOfSlot_;
    std::vector<char> onPath_;
    std::vector<nodeId> copy_;
    std::vector<nodeId> zero_;
    std::vector<nodeId> simp_;
    // Simplified forms are remembered only for nodes below this id: nodes at
    // and above it are the current occurrence's own and may be dropped.
    nodeId memoLimit_ = 0;
    int target_ = 0;

    nodeId size() const { return static_cast<nodeId>(t_.nodes.size()); }
    nodeId push(node n) {
        t_.nodes.push_back(std::move(n));
        return size() - 1;
    }
    nodeId copyOf(nodeId n);
    nodeId zeroOf(nodeId n);
    nodeId diff(nodeId n);
    nodeId rule(nodeId n, bool occurrenceFree);
    nodeId simp(nodeId x);
    nodeId simpRule(nodeId x);
    nodeId keep(nodeId result, nodeId mark);
};

bool derivativeBuilder::survey() {
    const nodeId root = t_.root;
    const auto n = static_cast<std::size_t>(size());
    parent_.assign(n, kUnset);
    leafOfSlot_.assign(static_cast<std::size_t>(t_.incidenceSlots.size()), noNode);
    if (root == noNode) return true;
    std::vector<nodeId> stack{root};
    parent_[static_cast<std::size_t>(root)] = noNode;
    while (!stack.empty()) {
        const nodeId id = stack.back();
        stack.pop_back();
        reachable_.push_back(id);
        const node& nd = t_.at(id);
        if (nd.kind == nodeKind::var && nd.slot >= 0 && nd.slot < t_.incidenceSlots.size()) {
            nodeId& leaf = leafOfSlot_[static_cast<std::size_t>(nd.slot)];
            if (leaf != noNode) return false;
            leaf = id;
        }
        for (const nodeId c : {nd.left, nd.right}) {
            if (c == noNode) continue;
            if (parent_[static_cast<std::size_t>(c)] != kUnset) return false;
            parent_[static_cast<std::size_t>(c)] = id;
            stack.push_back(c);
        }
    }
    return true;
}

nodeId derivativeBuilder::copyOf(nodeId n) {
    if (n == noNode) return noNode;
    if (copy_[static_cast<std::size_t>(n)] != kUnset) return copy_[static_cast<std::size_t>(n)];
    const nodeId l = copyOf(t_.at(n).left);
    const nodeId r = copyOf(t_.at(n).right);
    node c = t_.at(n);
    c.left = l;
    c.right = r;
    const nodeId id = push(std::move(c));
    copy_[static_cast<std::size_t>(n)] = id;
    return id;
}

nodeId derivativeBuilder::zeroOf(nodeId n) {
    if (n == noNode) return noNode;
    if (zero_[static_cast<std::size_t>(n)] != kUnset) return zero_[static_cast<std::size_t>(n)];
    const nodeId d = rule(n, true);
    zero_[static_cast<std::size_t>(n)] = d;
    return d;
}

nodeId derivativeBuilder::diff(nodeId n) {
    if (n == noNode) return noNode;
    if (!onPath_[static_cast<std::size_t>(n)]) return zeroOf(n);
    return rule(n, false);
}

nodeId derivativeBuilder::rule(nodeId n, bool occurrenceFree) {
    return detail::derivativeRule(
        t_, n, !occurrenceFree && t_.at(n).slot == target_,
        [&](nodeId c) { return occurrenceFree ? zeroOf(c) : diff(c); },
        [&](nodeId c) { return copyOf(c); });
}

nodeId derivativeBuilder::simp(nodeId x) {
    if (x == noNode) return noNode;
    const bool memo = x < memoLimit_;
    if (memo) {
        if (simp_.size() <= static_cast<std::size_t>(x)) simp_.resize(t_.nodes.size(), kUnset);
        if (simp_[static_cast<std::size_t>(x)] != kUnset) return simp_[static_cast<std::size_t>(x)];
    }
    const nodeId r = simpRule(x);
    if (memo && r < memoLimit_) {
        if (simp_.size() <= static_cast<std::size_t>(x)) simp_.resize(t_.nodes.size(), kUnset);
        simp_[static_cast<std::size_t>(x)] = r;
    }
    return r;
}

// One pass of `simplify` without changing any node: where simplify would
// change a node in place, a changed copy is made.
nodeId derivativeBuilder::simpRule(nodeId x) {
    return detail::simplifyRule(t_, x, false, [&](nodeId c) { return simp(c); });
}

void derivativeBuilder::buildShared() {
    const auto n = t_.nodes.size();
    copy_.assign(n, kUnset);
    zero_.assign(n, kUnset);
    onPath_.assign(n, 0);
    memoLimit_ = std::numeric_limits<nodeId>::max();
    for (const nodeId id : reachable_) {
        simp(simp(copyOf(id)));
        simp(simp(zeroOf(id)));
    }
}

// Drops the nodes made since `mark` except those `result` reaches.
nodeId derivativeBuilder::keep(nodeId result, nodeId mark) {
    if (result < mark) return result;
    std::vector<nodeId> order;
    std::vector<nodeId> newId(static_cast<std::size_t>(size() - mark), kUnset);
    std::vector<nodeId> stack{result};
    while (!stack.empty()) {
        const nodeId id = stack.back();
        stack.pop_back();
        if (id < mark || newId[static_cast<std::size_t>(id - mark)] != kUnset) continue;
        newId[static_cast<std::size_t>(id - mark)] = mark + static_cast<nodeId>(order.size());
        order.push_back(id);
        for (const nodeId c : {t_.at(id).left, t_.at(id).right})
            if (c != noNode) stack.push_back(c);
    }
    auto mapped = [&](nodeId id) {
        return id < mark ? id : newId[static_cast<std::size_t>(id - mark)];
    };
    std::vector<node> kept;
    kept.reserve(order.size());
    for (const nodeId id : order) {
        node c = std::move(t_.at(id));
        c.left = c.left == noNode ? noNode : mapped(c.left);
        c.right = c.right == noNode ? noNode : mapped(c.right);
        kept.push_back(std::move(c));
    }
    t_.nodes.resize(static_cast<std::size_t>(mark));
    for (node& c : kept)
        t_.nodes.push_back(std::move(c));
    return mapped(result);
}

nodeId derivativeBuilder::derivative(int slot) {
    const nodeId leaf = slot >= 0 && slot < static_cast<int>(leafOfSlot_.size())
                            ? leafOfSlot_[static_cast<std::size_t>(slot)]
                            : noNode;
    if (leaf == noNode) return simp(simp(zeroOf(t_.root)));
    for (nodeId p = leaf; p != noNode; p = parent_[static_cast<std::size_t>(p)])
        onPath_[static_cast<std::size_t>(p)] = 1;
    target_ = slot;
    const nodeId mark = size();
    memoLimit_ = mark;
    const nodeId result = simp(simp(diff(t_.root)));
    for (nodeId p = leaf; p != noNode; p = parent_[static_cast<std::size_t>(p)])
        onPath_[static_cast<std::size_t>(p)] = 0;
    return keep(result, mark);
}

} // namespace

bool buildSharedDerivatives(tree& t) {
    derivativeBuilder b(t);
    if (!b.survey()) return false;
    b.buildShared();
    t.derivTrees.assign(t.vars.size(), {});
    for (std::size_t i = 0; i < t.vars.size(); ++i)
        for (const int slot : t.vars[i])
            t.derivTrees[i].push_back(b.derivative(slot));
    t.hasDerivatives = true;
    return true;
}

} // namespace modal
