#include "compiler/expressions.hpp"

#include "bytecode/opcodes.hpp"
#include "compilerun.hpp"

using namespace bytecode;

namespace {

// The code of one expression statement.
bytes expr(const std::string& source) {
    return emittedby([&](compilation& c) { emitexpression(c, source); }).code;
}

std::string exprerror(const std::string& source) {
    return errormessage(emittedby([&](compilation& c) { emitexpression(c, source); }));
}

const bytes SS = {SAVESCOPE};

bytes load(const std::string& name) { return B(LOADLOCAL, STRING) + str(name); }
bytes pushint(int value) { return B(PUSHCONST, INT) + i32(value); }
bytes call(int count) { return B(CALL, INT) + i32(count); }

TEST(Expressions, Literals) {
    EXPECT_EQ(expr("5"), SS + pushint(5));
    EXPECT_EQ(expr("\"hi\""), B(SAVESCOPE, PUSHCONST, STRING, 0x68, 0x69, 0));
    EXPECT_EQ(expr("[1,2]"), SS + SS + pushint(1) + SS + pushint(2) + B(PUSHCONST, LIST, STACK, STACK, 255));
    EXPECT_EQ(expr("[]"), B(SAVESCOPE, PUSHCONST, LIST, 255));
    EXPECT_EQ(expr("\"\""), B(SAVESCOPE, PUSHCONST, STRING, 0));
}

TEST(Expressions, OperatorsCombineLeftToRight) {
    EXPECT_EQ(expr("a+b"), SS + load("a") + B(STASH) + SS + load("b") + B(UNSTASH, ADD));
    EXPECT_EQ(expr("a-b*c"), SS + load("a") + B(STASH) + SS + load("b") + B(UNSTASH, SUB, STASH) + SS +
                                 load("c") + B(UNSTASH, MUL));
    bytes noteq = expr("a!=b");
    EXPECT_EQ(bytes(noteq.end() - 2, noteq.end()), B(EQUAL, NOT));
    EXPECT_EQ(expr("a>=b"), SS + load("a") + B(STASH) + SS + load("b") + B(UNSTASH, GREATEREQ));
    EXPECT_EQ(expr("a>b"), SS + load("a") + B(STASH) + SS + load("b") + B(UNSTASH, GREATER));
}

TEST(Expressions, ParenthesesAndBlanksStayInOperands) {
    // A group followed by text is an operand of the chain; after blanks only a word operator goes on.
    bytes groupa = SS + SS + load("a");
    EXPECT_EQ(expr("(a)+b"), groupa + B(STASH) + SS + load("b") + B(UNSTASH, ADD));
    EXPECT_EQ(expr("(a).size()"), groupa + B(ENTERTOP, LOADATTR, STRING) + str("size") + B(RESTORESCOPE, STASH, UNSTASH) +
                                      call(0) + B(SAVESCOPE, LEAVE));
    EXPECT_EQ(expr("(a) or (b)"), groupa + B(STASH) + SS + SS + load("b") + B(UNSTASH, OR));
    EXPECT_EQ(expr("(a) b"), SS + load("a"));
    EXPECT_EQ(expr("(a) + b"), SS + load("a"));
    EXPECT_EQ(expr("(a)\tb"), SS + load("a"));
    EXPECT_EQ(expr("(a+b)"), expr("a+b"));
    EXPECT_EQ(expr("-1"), B());
    EXPECT_EQ(expr("(x < 3)"), SS + load("x ") + B(STASH) + SS + load(" 3") + B(UNSTASH, LESS));
}

TEST(Expressions, Prefixes) {
    EXPECT_EQ(expr("Gcount"), SS + B(LOADGLOBAL, STRING) + str("count"));
    EXPECT_EQ(expr("@size"), SS + B(LOADATTR, STRING) + str("size"));
    EXPECT_EQ(expr("&x"), SS + B(PTRLOCAL, STRING) + str("x"));
    EXPECT_EQ(expr("G&x"), SS + B(PTRGLOBAL, STRING) + str("x"));
    EXPECT_EQ(expr("&Gx"), SS + B(PTRLOCAL, STRING) + str("Gx"));
    EXPECT_EQ(expr("%x"), SS + load("x") + B(PUSHCOPY));
}

TEST(Expressions, MemberPathCallsAndIndexes) {
    EXPECT_EQ(expr("Gprogroot.stdout.write(x)"),
              SS + B(LOADGLOBAL, STRING) + str("progroot") + B(ENTERTOP, ENTERATTR, STRING) + str("stdout") +
                  B(LOADATTR, STRING) + str("write") + B(RESTORESCOPE, STASH) + SS + load("x") +
                  B(UNSTASH) + call(1) + B(SAVESCOPE, LEAVE, LEAVE));
    EXPECT_EQ(expr("a.b.c"), SS + load("a") + B(ENTERTOP, ENTERATTR, STRING) + str("b") + B(LOADATTR, STRING) +
                                 str("c") + B(LEAVE, LEAVE));
    EXPECT_EQ(expr("self.m(x)"), SS + load("self") + B(ENTERTOP, LOADATTR, STRING) + str("m") +
                                     B(RESTORESCOPE, STASH) + SS + load("x") + B(UNSTASH) + call(1) +
                                     B(SAVESCOPE, LEAVE));
    bytes callthenindex = SS + load("f") + B(RESTORESCOPE, STASH) + SS + pushint(1) + B(UNSTASH) + call(1) +
                          B(SAVESCOPE, ENTERTOP, LOADATTR, STRING) + str("get") + B(RESTORESCOPE, STASH) +
                          SS + pushint(0) + B(UNSTASH) + call(1) + B(SAVESCOPE, LEAVE);
    EXPECT_EQ(expr("f(1)[0]"), callthenindex);
    EXPECT_EQ(expr("f(a,,b)"), SS + load("f") + B(RESTORESCOPE, STASH) + SS + load("a") + SS + load("b") +
                                   B(UNSTASH) + call(2) + B(SAVESCOPE));
    EXPECT_EQ(expr("f()"), SS + load("f") + B(RESTORESCOPE, STASH, UNSTASH) + call(0) + B(SAVESCOPE));
}

TEST(Expressions, EscapesAreTranslatedOnEveryPass) {
    EXPECT_EQ(expr("\"a\\nb\""), B(SAVESCOPE, PUSHCONST, STRING, 'a', '\n', 'b', 0));
    // The first pass leaves one backslash, the second translates it with the n after it.
    EXPECT_EQ(expr("\"a\\\\nb\""), B(SAVESCOPE, PUSHCONST, STRING, 'a', '\n', 'b', 0));
}

TEST(Expressions, DegenerateStringLiteralsAndBackslashes) {
    // A lone quote has no last character left to remove once its first is gone.
    EXPECT_EQ(expr("\""), B(SAVESCOPE, PUSHCONST, STRING, 0));
    EXPECT_EQ(expr("\"ab"), B(SAVESCOPE, PUSHCONST, STRING, 'a', 0));
    // A trailing backslash survives every pass as itself.
    EXPECT_EQ(expr("a\\"), SS + load("a\\"));
}

TEST(Expressions, Errors) {
    EXPECT_EQ(exprerror("a[]"), "handleexpr: expression empty!");
    EXPECT_EQ(exprerror("[[1],[2]]"),
              "getargs: no endings, no comma, ends not empty; seekstring failure or malformed args.");
    EXPECT_EQ(exprerror("f(a, b"),
              "getargs: no endings, no comma, ends not empty; seekstring failure or malformed args.");
}

TEST(Expressions, IntegerHeads) {
    // A head of digits and "-" only is an integer; any other character makes it a name.
    EXPECT_EQ(expr("12a"), SS + load("12a"));
    EXPECT_EQ(expr("1-2"), SS + pushint(1) + B(STASH) + SS + pushint(2) + B(UNSTASH, SUB));
}

// Decisions on what the operand compiler leaves open.

TEST(ExpressionDecisions, ParenthesisedOperandIsAnExpression) {
    bytes inner = SS + pushint(2) + B(STASH) + SS + pushint(3) + B(UNSTASH, MUL);
    EXPECT_EQ(expr("1+(2*3)"), SS + pushint(1) + B(STASH) + SS + inner + B(UNSTASH, ADD));
    // The path after the ")" applies to the value.
    EXPECT_EQ(expr("1+(a).b"), SS + pushint(1) + B(STASH) + SS + SS + load("a") +
                                   B(ENTERTOP, LOADATTR, STRING) + str("b") + B(LEAVE, UNSTASH, ADD));
    EXPECT_EQ(exprerror("1+()"), "handleexpr: expression empty!");
}

TEST(ExpressionDecisions, EmptyHeadIsMissingOperand) {
    EXPECT_EQ(exprerror(".x"), "Missing operand before: .x");
    EXPECT_EQ(exprerror("G"), "Missing operand before: ");
    EXPECT_EQ(exprerror("a+G.b"), "Missing operand before: .b");
}

TEST(ExpressionDecisions, IntegerLiteralRange) {
    EXPECT_EQ(expr("2147483647"), SS + pushint(2147483647));
    EXPECT_EQ(exprerror("2147483648"), "Integer literal out of range: 2147483648");
    EXPECT_EQ(exprerror("99999999999999999999999"), "Integer literal out of range: 99999999999999999999999");
    // A minus reaches the head only escaped.
    EXPECT_EQ(expr("\\-2147483648"), SS + pushint(-2147483647 - 1));
    EXPECT_EQ(exprerror("\\-2147483649"), "Integer literal out of range: -2147483649");
    EXPECT_EQ(exprerror("\\-"), "Malformed integer literal: -");
}

TEST(ExpressionDecisions, DecimalLiterals) {
    EXPECT_EQ(expr("2.5"), SS + B(PUSHCONST, FLOAT) + i32(2) + i32(5));
    EXPECT_EQ(expr("300000000.5"), SS + B(PUSHCONST, FLOAT) + i32(300000000) + i32(5));
    EXPECT_EQ(expr("2147483647.9"), SS + B(PUSHCONST, FLOAT) + i32(2147483647) + i32(9));
    EXPECT_EQ(expr("2.0.x"), SS + B(PUSHCONST, FLOAT) + i32(2) + i32(0) + B(ENTERTOP, LOADATTR, STRING) +
                                 str("x") + B(LEAVE));
    EXPECT_EQ(exprerror("3.14"), "Decimal literal has more than one digit after the point: 3.14");
    EXPECT_EQ(exprerror("2147483648.5"), "Decimal literal out of range: 2147483648.5");
    // Anything but digits after the point stays a member access.
    EXPECT_EQ(expr("1.x"), SS + pushint(1) + B(ENTERTOP, LOADATTR, STRING) + str("x") + B(LEAVE));
    EXPECT_EQ(expr("1.5x"), SS + pushint(1) + B(ENTERTOP, LOADATTR, STRING) + str("5x") + B(LEAVE));
}

TEST(ExpressionDecisions, WordOperators) {
    bytes ab = SS + load("a") + B(STASH) + SS + load("b") + B(UNSTASH);
    EXPECT_EQ(expr("a and b"), ab + B(AND));
    EXPECT_EQ(expr("a or b"), ab + B(OR));
    EXPECT_EQ(expr("a xor b"), ab + B(XOR));
    // "not" negates what has been computed so far and compiles no operand.
    EXPECT_EQ(expr("a not b"), SS + load("a") + B(NOT));
    // Only a word between blanks is an operator.
    EXPECT_EQ(expr("a andb"), SS + load("a andb"));
    EXPECT_EQ(expr("a+b or c"), SS + load("a") + B(STASH) + SS + load("b") + B(UNSTASH, ADD, STASH) + SS +
                                    load("c") + B(UNSTASH, OR));
}

bytes emitted(const std::function<void(compilation&)>& work) { return emittedby(work).code; }

TEST(CallEmission, PathWalksEnterEveryMemberButTheLast) {
    int wentin = 0;
    std::string last;
    EXPECT_EQ(emitted([&](compilation& c) { last = emitpathwalk(c, ".b.c.d(x)", wentin); }),
              B(ENTERTOP, ENTERATTR, STRING) + str("b") + B(ENTERATTR, STRING) + str("c"));
    EXPECT_EQ(last, "d(x)");
    EXPECT_EQ(wentin, 3);

    wentin = 0;
    EXPECT_EQ(emitted([&](compilation& c) { last = emitpathwalk(c, ".b", wentin); }), B(ENTERTOP));
    EXPECT_EQ(last, "b");
    EXPECT_EQ(wentin, 1);

    wentin = 0;
    EXPECT_EQ(emitted([&](compilation& c) { last = emitpathwalk(c, ".f(a.b).c", wentin); }),
              B(ENTERTOP, ENTERATTR, STRING) + str("f(a.b)"));
    EXPECT_EQ(last, "c");

    wentin = 0;
    EXPECT_EQ(emitted([&](compilation& c) { last = emitpathwalk(c, ".a..b", wentin); }),
              B(ENTERTOP, ENTERATTR, STRING) + str("a") + B(ENTERATTR, STRING) + str(""));
    EXPECT_EQ(last, "b");
    EXPECT_EQ(wentin, 3);
}

TEST(CallEmission, ACallStashesTheCallee) {
    bytes one = B(SAVESCOPE, PUSHCONST, INT) + i32(1);
    // Blanks stay in the operands: " 2" is a name.
    bytes xplus2 = B(SAVESCOPE, LOADLOCAL, STRING) + str("x ") + B(STASH, SAVESCOPE, LOADLOCAL, STRING) + str(" 2") +
                   B(UNSTASH, ADD);
    piecelist arguments;
    arguments.add("1");
    arguments.add("x + 2");
    EXPECT_EQ(emitted([&](compilation& c) { emitcall(c, arguments); }), B(STASH) + one + xplus2 + B(UNSTASH, CALL, INT) + i32(2));
    EXPECT_EQ(emitted([](compilation& c) { emitcall(c, {}); }), B(STASH, UNSTASH, CALL, INT) + i32(0));
}

}  // namespace
