#include "bytecode/operand.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/encoding.hpp"

using namespace bytecode;

namespace {

using namespace encoding;

operandpiece piece(const bytes& operand, std::size_t at = 0) {
    auto read = readpiece(operand, at);
    EXPECT_TRUE(std::holds_alternative<operandpiece>(read));
    return std::holds_alternative<operandpiece>(read) ? std::get<operandpiece>(read) : operandpiece();
}

std::string describe(const operandfailure& failure) {
    return std::to_string(static_cast<int>(failure.problem)) + " at " + std::to_string(failure.start) + ", " +
           std::to_string(failure.consumed) + " consumed, " + std::to_string(failure.claimed) + " claimed";
}

std::string failureof(const bytes& operand, std::size_t at = 0) {
    auto read = readpiece(operand, at);
    if (auto* failure = std::get_if<operandfailure>(&read)) return describe(*failure);
    return "read";
}

std::string expected(operandproblem problem, std::size_t start, std::size_t consumed, std::int32_t claimed = 0) {
    return describe({problem, start, consumed, claimed});
}

TEST(OperandPieces, NumbersAreReadMostSignificantByteFirst) {
    EXPECT_EQ(piece(bytes{INT, 255, 255, 255, 254}).integer, -2);
    EXPECT_EQ(piece(bytes{INT, 0, 0, 1, 44}).integer, 300);
    EXPECT_EQ(piece(intop(-2147483647 - 1)).integer, -2147483647 - 1);
    operandpiece read = piece(intop(7) + bytes{9, 9});
    EXPECT_EQ(read.tag, INT);
    EXPECT_EQ(read.end, 5u);
}

// The fraction's digits count, not their value: 25 is divided by 20, 5 by 10, 0 by 10.
TEST(OperandPieces, AFloatIsItsWholePartPlusTheFractionOverTenTimesItsDigits) {
    EXPECT_EQ(piece(floatop(300, 5)).real, 300.5f);
    EXPECT_EQ(piece(floatop(300, 0)).real, 300.0f);
    EXPECT_EQ(piece(floatop(1, 25)).real, 2.25f);
    EXPECT_EQ(piece(floatop(0, 1000)).real, 25.0f);
    EXPECT_EQ(piece(floatop(4294967295u, 4294967295u)).real, 4294967296.0f + 4294967295.0f / 100);
    EXPECT_EQ(piece(floatop(1, 25)).end, 9u);
    EXPECT_EQ(floatvalue(2, 999999999), 2.0f + 999999999.0f / 90);
}

TEST(OperandPieces, StringsClassesStackAndOpenersAreReadWhole) {
    // The text is a view of the operand's bytes.
    const bytes hi = {STRING, 104, 105, 0, 7};
    operandpiece text = piece(hi);
    EXPECT_EQ(text.text, "hi");
    EXPECT_EQ(text.text.data(), reinterpret_cast<const char*>(hi.data() + 1));
    EXPECT_EQ(text.end, 4u);
    EXPECT_EQ(piece(bytes{STRING, 0}).text.size(), 0u);
    const bytes odd = {STRING, 1, 255, 0};
    EXPECT_EQ(piece(odd).text, "\x01\xff");
    for (operandtag tag : {CLASS, LIST, DICT, STACK}) {
        operandpiece alone = piece(bytes{tag, INT});
        EXPECT_EQ(alone.tag, tag);
        EXPECT_EQ(alone.end, 1u);
    }
    // Offsets count from the span's first byte, wherever the piece stands in it.
    const bytes afterothers = bytes{9, 9} + stringop("ab");
    operandpiece later = piece(afterothers, 2);
    EXPECT_EQ(later.text, "ab");
    EXPECT_EQ(later.end, 6u);
}

TEST(OperandPieces, ABodyIsItsLengthThenItsBytesAndALengthOfZeroOrLessHasNone) {
    operandpiece body = piece(codeop(bytes{1, 2, 3}) + bytes{9});
    EXPECT_EQ(body.tag, CODE);
    EXPECT_EQ(body.integer, 3);
    EXPECT_EQ(body.bodystart, 5u);
    EXPECT_EQ(body.bodysize(), 3u);
    EXPECT_EQ(body.end, 8u);
    EXPECT_EQ(piece(codeop({})).bodysize(), 0u);
    operandpiece negative = piece(bytes{CODE} + word(0xffffff00u) + bytes{1});
    EXPECT_EQ(negative.integer, -256);
    EXPECT_EQ(negative.bodysize(), 0u);
    EXPECT_EQ(negative.end, 5u);
}

// A piece that runs short has consumed every byte up to the end, as the machine reads a byte at a time;
// a tag that is none has consumed itself.
TEST(OperandPieces, FailuresSayHowManyBytesWereConsumed) {
    EXPECT_EQ(failureof({}), expected(operandproblem::notag, 0, 0));
    EXPECT_EQ(failureof(bytes{INT, 1}, 2), expected(operandproblem::notag, 2, 2));
    EXPECT_EQ(failureof(bytes{INT, 1, 2, 3}), expected(operandproblem::shortnumber, 0, 4));
    EXPECT_EQ(failureof(bytes{FLOAT, 0, 0, 0, 1, 0}), expected(operandproblem::shortnumber, 0, 6));
    EXPECT_EQ(failureof(bytes{FLOAT}), expected(operandproblem::shortnumber, 0, 1));
    EXPECT_EQ(failureof(bytes{STRING, 104, 105}), expected(operandproblem::unendedstring, 0, 3));
    EXPECT_EQ(failureof(bytes{STRING}), expected(operandproblem::unendedstring, 0, 1));
    EXPECT_EQ(failureof(bytes{CODE, 0, 0}), expected(operandproblem::shortnumber, 0, 3));
    EXPECT_EQ(failureof(bytes{CODE} + word(5) + bytes{1, 2}), expected(operandproblem::bodytoolong, 0, 7, 5));
    EXPECT_EQ(failureof(bytes{CODE} + word(0x7fffffff)), expected(operandproblem::bodytoolong, 0, 5, 0x7fffffff));
    for (int tag : {8, 100, 255})
        EXPECT_EQ(failureof(bytes{9, byte(tag), INT}, 1), expected(operandproblem::unknowntag, 1, 2));
}

// Writes down what a reader hears, for comparing with what the bytes say.
struct recorder {
    std::string heard;
    void piece(const operandpiece& piece) {
        switch (piece.tag) {
            case INT: heard += std::to_string(piece.integer); break;
            case STRING: heard += "'" + std::string(piece.text) + "'"; break;
            case STACK: heard += "S"; break;
            case CODE: heard += "C" + std::to_string(piece.bodysize()); break;
            default: heard += "?"; break;
        }
    }
    void open(operandtag tag) { heard += tag == LIST ? "[" : "{"; }
    void item(itemplace place) { heard += place == itemplace::first ? "" : place == itemplace::next ? "," : ":"; }
    void close(operandtag tag) { heard += tag == LIST ? "]" : "}"; }
};

// What reading `operand` makes heard, then its length or its failure.
std::string read(const bytes& operand, std::size_t deepest = 8) {
    recorder reader;
    auto result = readoperand(operand, reader, deepest);
    if (auto* failure = std::get_if<operandfailure>(&result)) return reader.heard + " | " + describe(*failure);
    return reader.heard + " | " + std::to_string(std::get<std::size_t>(result));
}

TEST(WholeOperands, ListsAndDictionariesAreHeardInTheOrderOfTheirBytes) {
    EXPECT_EQ(read(intop(5) + bytes{9}), "5 | 5");
    EXPECT_EQ(read(bytes{LIST, 255, 9}), "[] | 2");
    EXPECT_EQ(read(bytes{LIST} + intop(1) + bytes{STACK} + stringop("a") + bytes{255}), "[1,S,'a'] | 11");
    EXPECT_EQ(read(bytes{DICT} + stringop("a") + intop(1) + bytes{STACK, STACK, 255}), "{'a':1,S:S} | 12");
    EXPECT_EQ(read(bytes{LIST, LIST, 255, DICT, LIST, 255, LIST} + codeop({7}) + bytes{255, 255, 255}),
              "[[],{[]:[C1]}] | 16");
    // A body inside a list is one piece: its bytes are not read as operands.
    EXPECT_EQ(read(bytes{LIST} + codeop(bytes{255, LIST}) + bytes{255}), "[C2] | 9");
}

// Everything before the fault is heard; the failed piece is not.
TEST(WholeOperands, AFaultInsideAListIsReportedWithWhatCameBefore) {
    EXPECT_EQ(read(bytes{LIST, STACK}), "[S | " + expected(operandproblem::unendedlist, 2, 2));
    EXPECT_EQ(read(bytes{LIST}), "[ | " + expected(operandproblem::unendedlist, 1, 1));
    EXPECT_EQ(read(bytes{DICT} + intop(1) + intop(2)), "{1:2 | " + expected(operandproblem::unendeddictionary, 11, 11));
    EXPECT_EQ(read(bytes{DICT} + intop(1)), "{1 | " + expected(operandproblem::novalue, 6, 6));
    EXPECT_EQ(read(bytes{DICT} + intop(1) + bytes{255, 9}), "{1 | " + expected(operandproblem::endbyteasvalue, 6, 7));
    EXPECT_EQ(read(bytes{LIST, STACK, INT, 1}), "[S, | " + expected(operandproblem::shortnumber, 2, 4));
    EXPECT_EQ(read(bytes{LIST, STACK, 8, 255}), "[S, | " + expected(operandproblem::unknowntag, 2, 3));
    EXPECT_EQ(read(bytes{DICT, STACK, STRING, 'x'}), "{S: | " + expected(operandproblem::unendedstring, 2, 4));
    EXPECT_EQ(read(bytes{LIST, CODE} + word(3) + bytes{1}), "[ | " + expected(operandproblem::bodytoolong, 1, 7, 3));
    EXPECT_EQ(read(bytes{255}), " | " + expected(operandproblem::unknowntag, 0, 1));
    EXPECT_EQ(read({}), " | " + expected(operandproblem::notag, 0, 0));
}

TEST(WholeOperands, NestingStopsAtTheReadersDepth) {
    EXPECT_EQ(read(bytes{LIST, LIST, LIST, 255, 255, 255}, 3), "[[[]]] | 6");
    EXPECT_EQ(read(bytes{LIST, LIST, DICT, LIST, 255, 255, 255, 255}, 3),
              "[[{ | " + expected(operandproblem::toodeep, 3, 4));
    EXPECT_EQ(read(bytes{DICT, 255}, 0), " | " + expected(operandproblem::toodeep, 0, 1));
    EXPECT_EQ(read(intop(1), 0), "1 | 5");
    bytes deep(10001, LIST);
    EXPECT_EQ(read(deep, 10000).substr(10000), " | " + expected(operandproblem::toodeep, 10000, 10001));
}

// Follows the pieces as they are heard: each begins where the one before ended, with the tag its
// bytes hold, so that together they cover the operand byte for byte.
struct follower {
    const bytes& operand;
    std::size_t at = 0;
    bool contiguous = true;
    void piece(const operandpiece& piece) {
        contiguous = contiguous && operand[at] == piece.tag && piece.end > at && piece.end <= operand.size();
        at = piece.end;
    }
    void open(operandtag tag) {
        contiguous = contiguous && operand[at] == tag;
        ++at;
    }
    void item(itemplace) { contiguous = contiguous && at < operand.size() && operand[at] != LISTEND; }
    void close(operandtag) {
        contiguous = contiguous && operand[at] == LISTEND;
        ++at;
    }
};

// Raw bytes reach the machine and the listing through a 0 inside a string literal: any bytes at all
// must read as an operand or fail, within their own span.
TEST(WholeOperands, AnyBytesReadContiguouslyAndFailWithinTheirSpan) {
    std::mt19937 random(5);
    const bytes common = {INT, STRING, LIST, DICT, CODE, STACK, CLASS, FLOAT, 255, 0, 0, 1};
    for (int round = 0; round < 20000; ++round) {
        bytes operand(random() % 24);
        for (byte& b : operand) b = random() % 4 ? common[random() % common.size()] : static_cast<byte>(random());
        follower reader{operand};
        auto result = readoperand(operand, reader, 4);
        ASSERT_TRUE(reader.contiguous) << round;
        if (auto* length = std::get_if<std::size_t>(&result)) {
            EXPECT_EQ(*length, reader.at) << round;
            EXPECT_LE(*length, operand.size()) << round;
        } else {
            const operandfailure& failure = std::get<operandfailure>(result);
            EXPECT_LE(reader.at, failure.start) << round;
            EXPECT_LE(failure.start, failure.consumed) << round;
            EXPECT_LE(failure.consumed, operand.size()) << round;
        }
    }
}

}  // namespace
