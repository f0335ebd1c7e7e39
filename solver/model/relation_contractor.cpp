#include "solver/model/relation_contractor.h"

#include "solver/model/projection_rules.h"

namespace modal {

relationContractor::relationContractor(const tree& t, nodeId expression, comparison rel)
    : rel_(rel), variables_(t.variableCount()) {
    if (expression == noNode) {
        rel_ = comparison::none;
        return;
    }
    copy(t, expression);
    values_.resize(steps_.size());
}

std::int32_t relationContractor::copy(const tree& t, nodeId n) {
    const node& nd = t.at(n);
    step s;
    s.kind = nd.kind;
    s.exponent = nd.exponent;
    const std::uint8_t arity = infoOf(nd.kind).arity;
    // A node without the children its kind needs keeps its value when
    // evaluated, which says nothing here: it is left unknown.
    if ((arity >= 1 && nd.left == noNode) || (arity == 2 && nd.right == noNode))
        s.kind = nodeKind::unknown;
    else {
        if (arity >= 1) s.left = copy(t, nd.left);
        if (arity == 2) s.right = copy(t, nd.right);
    }
    switch (s.kind) {
    case nodeKind::var:
        s.variable = nd.slot >= 0 ? t.slotVariable(nd.slot) : -1;
        if (s.variable < 0) s.kind = nodeKind::unknown;
        break;
    case nodeKind::constant:
    case nodeKind::one:
        // An enclosure of a real number.
        s.constant = prop(nd.value);
        if (hasNaN(s.constant)) s.kind = nodeKind::unknown;
        break;
    default:
        break;
    }
    steps_.push_back(s);
    return static_cast<std::int32_t>(steps_.size()) - 1;
}

bool relationContractor::contract(std::span<ivalDb> domains, bool complement) {
    if (rel_ == comparison::none || steps_.empty()) return true;
    // What the expression's value may be.
    ivalDb target;
    switch (rel_) {
    case comparison::ge:
    case comparison::gt:
        target = complement ? ivalDb::exact(-kInf, 0.0) : ivalDb::exact(0.0, kInf);
        break;
    case comparison::le:
    case comparison::lt:
        target = complement ? ivalDb::exact(0.0, kInf) : ivalDb::exact(-kInf, 0.0);
        break;
    case comparison::eq:
        // Where an equation fails is no box: nothing to contract.
        if (complement) return true;
        target = ivalZero();
        break;
    case comparison::none:
        return true;
    }
    return narrow(domains, target, complement);
}

bool relationContractor::contractTo(std::span<ivalDb> domains, const ivalDb& target) {
    if (steps_.empty()) return true;
    return narrow(domains, target, false);
}

bool relationContractor::narrow(std::span<ivalDb> domains, const ivalDb& target, bool complement) {
    // Forward.
    bool undefined = false;
    ivalDb none = ivalEntire();
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        const step& s = steps_[i];
        ivalDb& v = values_[i];
        switch (s.kind) {
        case nodeKind::var:
            v = static_cast<std::size_t>(s.variable) < domains.size()
                    ? domains[static_cast<std::size_t>(s.variable)]
                    : ivalEntire();
            break;
        case nodeKind::constant:
        case nodeKind::one:
            v = s.constant;
            break;
        default: {
            ivalDb& x = s.left >= 0 ? values_[static_cast<std::size_t>(s.left)] : none;
            ivalDb& y = s.right >= 0 ? values_[static_cast<std::size_t>(s.right)] : none;
            v = forwardImage(s.kind, s.exponent, x, y, undefined);
            none = ivalEntire();
            break;
        }
        }
        // No point of the box gives this node a value: the expression is
        // defined nowhere, so the relation holds nowhere.
        if (isEmptySet(v)) {
            if (complement) return true;
            if (!domains.empty()) domains[0] = ivalDb::exact(kInf, -kInf);
            return false;
        }
    }
    // Points where the expression is undefined belong to the complement,
    // wherever they lie: the complement keeps the whole box.
    if (complement && undefined) return true;

    // Backward, parents before children.
    values_.back() = meet(values_.back(), target);
    for (std::size_t i = steps_.size(); i-- > 0;) {
        const step& s = steps_[i];
        const ivalDb& z = values_[i];
        if (isEmptySet(z)) {
            if (!domains.empty()) domains[0] = ivalDb::exact(kInf, -kInf);
            return false;
        }
        if (s.kind == nodeKind::var) {
            if (static_cast<std::size_t>(s.variable) < domains.size()) {
                ivalDb& d = domains[static_cast<std::size_t>(s.variable)];
                d = meet(d, z);
                if (isEmptySet(d)) return false;
            }
            continue;
        }
        if (s.left < 0) continue;
        ivalDb& x = values_[static_cast<std::size_t>(s.left)];
        ivalDb& y = s.right >= 0 ? values_[static_cast<std::size_t>(s.right)] : none;
        const bool kept = backwardProject(s.kind, s.exponent, z, x, y);
        none = ivalEntire();
        if (!kept) {
            if (!domains.empty()) domains[0] = ivalDb::exact(kInf, -kInf);
            return false;
        }
    }
    return true;
}

} // namespace modal
