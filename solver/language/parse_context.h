// What the grammar's actions work on while a statement is recognised: the
// five parse stacks, the algorithm name and the settings the options write.
//
// The stacks are never emptied between statements: an action only looks at
// the entries its own successful match pushed, and whatever a failed attempt
// pushed stays below them unused.
#pragma once

#include <stack>
#include <string>
#include <vector>

#include "interval/ivalDb.h"
#include "solver/model/node.h"
#include "solver/model/tree.h"

namespace modal {

struct param;
struct qsiParam;

// A warning about a statement: the line of the file where the statement
// begins (0 for none, a warning about the whole problem) and its text.
struct located_warning {
    long line = 0;
    std::string statement;
    std::string text;
};

struct parse_context {
    std::stack<long> int_stack;
    std::stack<double> num_stack;
    std::stack<std::string> sym_stack;
    std::stack<ivalDb> ival_stack;
    // Nodes of the tree the expression actions build into, by index.
    std::stack<nodeId> node_stack;

    // Set by the algorithm statement; empty until then.
    std::string algorithm_name;

    // The statement being read: the line of the file where it begins (0 when
    // it does not come from a file, set by the reader) and its text (set by
    // the grammar), for the warnings given about it later.
    long line = 0;
    std::string statement;

    // Statements that are accepted but do not do what they seem to: each
    // action that meets one adds a line here; the reader of the file shows
    // and clears them after each statement.
    std::vector<std::string> warnings;
    // MIN and MAX declarations with the Optim value they were adjusted by,
    // so that a later Optim statement can say which ones it does not reach.
    struct optim_use {
        std::string name;
        optimBound optim;
    };
    std::vector<optim_use> optim_uses;

    // Where the options land; either may be null (its options are then ignored).
    param* settings = nullptr;
    qsiParam* qsi_settings = nullptr;
};

} // namespace modal
