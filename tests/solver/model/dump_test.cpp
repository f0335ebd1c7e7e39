#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "solver/model/derivatives.h"
#include "solver/model/dump.h"
#include "tests/support/temp_dir.h"

using namespace modal;

TEST(Dump, FunctionAndDerivativesFile) {
    tree t;
    const nodeId a = t.createIncidence("x", ivalDb());
    const nodeId b = t.createIncidence("x", ivalDb());
    const nodeId y = t.createIncidence("y", ivalDb());
    t.setRoot(t.createBinary(nodeKind::plus, t.createBinary(nodeKind::mul, a, b),
                             t.createUnary(nodeKind::sin, y)));
    std::ostringstream before;
    writeTreeDump(t, before);
    EXPECT_EQ(before.str(), "Function: ((x[0])*(x[1]))+(sin(y[0]))\n");

    buildDerivatives(t);
    const test_support::TempDir dir;
    const std::string path = dir.file("Tree.txt");
    ASSERT_TRUE(writeTreeDump(t, path));
    std::ifstream in(path);
    std::stringstream got;
    got << in.rdbuf();
    EXPECT_EQ(got.str(), "Function: ((x[0])*(x[1]))+(sin(y[0]))\n"
                         "Derivatives: \n"
                         "df/x[0]: x[1]\n"
                         "df/x[1]: x[0]\n"
                         "df/y[0]: cos(y[0])\n");
}

TEST(Dump, NodeTexts) {
    tree t;
    const nodeId x = t.createIncidence("x", ivalDb::exact(1, 2));
    const nodeId p = t.createPower(x, 3);
    const nodeId m = t.createUnary(nodeKind::minus, t.createIncidence("x", ivalDb()));
    const nodeId c = t.createConst(2.0);
    auto text = [&](nodeId n, bool names) {
        std::ostringstream os;
        printNode(t, n, os, names);
        return os.str();
    };
    EXPECT_EQ(text(p, true), "pow(x[0],3)");
    EXPECT_EQ(text(m, true), "-(x[1])");
    EXPECT_EQ(text(c, true), "[2, 2]");
    EXPECT_EQ(text(noNode, true), "NULL");
    EXPECT_EQ(text(x, false), "[1, 2]");
    EXPECT_EQ(text(t.createNode(nodeKind::one), true), "1");
    // Without derivatives only the function line is written, and a zero
    // derivative prints as NULL.
    tree r;
    const nodeId rx = r.createIncidence("x", ivalDb());
    const nodeId rc = r.createIncidence("c", ivalDb());
    r.setRoot(r.createBinary(nodeKind::le, rx, rc));
    buildDerivatives(r);
    std::ostringstream os;
    writeTreeDump(r, os);
    EXPECT_EQ(os.str(), "Function: (x[0])<=(c[0])\nDerivatives: \ndf/x[0]: 1\ndf/c[0]: NULL\n");
}
