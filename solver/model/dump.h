// Text of expression trees and the dump file "Tree.txt".
#pragma once

#include <iosfwd>
#include <string>

#include "solver/model/tree.h"

namespace modal {

// Infix text of the subtree of `n`, no line end. "var" leaves show
// name[k] (k: occurrence number) with names, else their current domain.
void printNode(const tree& t, nodeId n, std::ostream& os, bool withNames);

// "Function: " and the root's text, then, when derivative trees exist,
// "Derivatives: " and one "df/" line per occurrence.
void writeTreeDump(const tree& t, std::ostream& os);
// Creates or truncates `path` (default "Tree.txt") and writes the dump;
// false when the file cannot be written.
bool writeTreeDump(const tree& t, const std::string& path = "Tree.txt");

} // namespace modal
