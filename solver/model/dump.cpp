#include "solver/model/dump.h"

#include <fstream>
#include <ostream>

namespace modal {

void printNode(const tree& t, nodeId n, std::ostream& os, bool withNames) {
    if (n == noNode) {
        os << "NULL";
        return;
    }
    const node& nd = t.at(n);
    switch (nd.kind) {
    case nodeKind::var:
        if (withNames) {
            os << nd.label << "[" << t.slotOccurrence(nd.slot) << "]";
        } else if (nd.slot >= 0 && t.incidenceSlots[nd.slot].bound()) {
            os << t.incidenceSlots[nd.slot].domain();
        } else {
            const int v = t.slotVariable(nd.slot);
            os << (v >= 0 ? t.varNodes[static_cast<std::size_t>(v)].value : nd.value);
        }
        return;
    case nodeKind::constant:
    case nodeKind::aux:
        os << nd.value;
        return;
    case nodeKind::one:
        os << "1";
        return;
    case nodeKind::minus:
        os << "-(";
        printNode(t, nd.left, os, withNames);
        os << ")";
        return;
    // Functions of two arguments as they are written: min(a,b).
    case nodeKind::min:
    case nodeKind::max:
        if (nd.left != noNode && nd.right != noNode) {
            os << nd.kindName() << "(";
            printNode(t, nd.left, os, withNames);
            os << ",";
            printNode(t, nd.right, os, withNames);
            os << ")";
            return;
        }
        break;
    // Operators and relations between their parenthesised operands, every
    // function before its parenthesised argument.
    case nodeKind::unknown:
    case nodeKind::plus:
    case nodeKind::sub:
    case nodeKind::mul:
    case nodeKind::div:
    case nodeKind::eq:
    case nodeKind::ge:
    case nodeKind::gt:
    case nodeKind::le:
    case nodeKind::lt:
    case nodeKind::exp:
    case nodeKind::log:
    case nodeKind::sqr:
    case nodeKind::sqrt:
    case nodeKind::cos:
    case nodeKind::sin:
    case nodeKind::tan:
    case nodeKind::acos:
    case nodeKind::asin:
    case nodeKind::atan:
    case nodeKind::pow:
    case nodeKind::abs:
    case nodeKind::sinh:
    case nodeKind::cosh:
    case nodeKind::tanh:
    case nodeKind::sign:
    case nodeKind::step:
        break;
    }
    if (nd.right != noNode) {
        os << "(";
        printNode(t, nd.left, os, withNames);
        os << ")" << nd.kindName() << "(";
        printNode(t, nd.right, os, withNames);
        os << ")";
    } else if (nd.left != noNode) {
        os << nd.kindName() << "(";
        printNode(t, nd.left, os, withNames);
        if (nd.kind == nodeKind::pow) os << "," << nd.exponent;
        os << ")";
    } else {
        os << nd.kindName();
    }
}

void writeTreeDump(const tree& t, std::ostream& os) {
    os << "Function: ";
    printNode(t, t.root, os, true);
    os << "\n";
    if (!t.hasDerivatives) return;
    os << "Derivatives: \n";
    for (std::size_t i = 0; i < t.derivTrees.size(); ++i) {
        for (std::size_t j = 0; j < t.derivTrees[i].size(); ++j) {
            os << "df/" << t.varNodes[i].label << "[" << j << "]: ";
            printNode(t, t.derivTrees[i][j], os, true);
            os << "\n";
        }
    }
}

bool writeTreeDump(const tree& t, const std::string& path) {
    std::ofstream f(path, std::ios::out | std::ios::trunc);
    if (!f) return false;
    writeTreeDump(t, f);
    f.close();
    return static_cast<bool>(f);
}

} // namespace modal
