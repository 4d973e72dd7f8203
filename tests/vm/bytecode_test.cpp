#include "vm/bytecode.hpp"

#include "vm/state.hpp"
#include "machine.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;

// Decodes one operand from `operand` on a fresh machine; `rest` is how many bytes stayed unread.
variable decode(const bytes& operand, std::size_t* rest = nullptr) {
    codebody body{std::make_shared<const std::vector<byte>>(operand), 0};
    variable result = getop(body);
    if (rest) *rest = body.remaining();
    return result;
}

std::string decodefailure(const bytes& operand) {
    freshmachine();
    return headline(capture([&] { decode(operand); }));
}

class Operands : public testing::Test {
protected:
    void SetUp() override { freshmachine(); }
};

TEST_F(Operands, Integers) {
    EXPECT_EQ(decode(bytes{INT, 255, 255, 255, 254}).intval, -2);
    EXPECT_EQ(decode(bytes{INT, 0, 0, 1, 44}).intval, 300);
    EXPECT_EQ(decode(intop(-2147483647 - 1)).intval, -2147483647 - 1);
    EXPECT_EQ(decode(intop(1)).identifier, vtype::builtin_int);
}

TEST_F(Operands, Floats) {
    EXPECT_EQ(decode(floatop(300, 5)).floatval, 300.5f);
    EXPECT_EQ(decode(floatop(300, 0)).floatval, 300.0f);
    EXPECT_EQ(decode(floatop(1, 25)).floatval, 2.25f);  // 25 / 20
    EXPECT_EQ(decode(floatop(3, 1)).identifier, vtype::builtin_float);
    EXPECT_EQ(decode(floatop(4294967295u, 4294967295u)).floatval, 4294967296.0f + 4294967295.0f / 100);
}

TEST_F(Operands, StringsClassesAndCode) {
    std::size_t rest = 0;
    variable text = decode(bytes{STRING, 104, 105, 0, 7}, &rest);
    EXPECT_EQ(text.stringval, "hi");
    EXPECT_EQ(text.attributes.count("get"), 1u);
    EXPECT_EQ(rest, 1u);
    EXPECT_EQ(decode(bytes{STRING, 0}).stringval, "");
    EXPECT_EQ(decode(bytes{STRING, 1, 255, 0}).stringval, "\x01\xff");
    EXPECT_EQ(decode(bytes{CLASS}).identifier, vtype::custom_class);
    EXPECT_TRUE(decode(bytes{CLASS}).attributes.empty());
    variable code = decode(codeop(bytes{1, 2, 3}) + bytes{9}, &rest);
    EXPECT_EQ(code.identifier, vtype::custom_func);
    EXPECT_EQ(*code.funccode, (std::vector<byte>{1, 2, 3}));
    EXPECT_EQ(rest, 1u);
    EXPECT_EQ(decode(codeop({})).funccode, nullptr);
    EXPECT_EQ(decode(bytes{CODE} + word(0xffffff00u) + bytes{1}, &rest).funccode, nullptr);
    EXPECT_EQ(rest, 1u);
}

TEST_F(Operands, TheSameCodeOperandIsCutOnce) {
    codebody body{std::make_shared<const std::vector<byte>>(codeop(bytes{1, 2})), 0};
    codebody again = body;
    EXPECT_EQ(getop(body).funccode, getop(again).funccode);
}

TEST_F(Operands, ListsAndDictionaries) {
    variable list = decode(bytes{LIST} + intop(1) + intop(2) + bytes{255});
    EXPECT_EQ(list.getstring(false), "[2, 1]");
    EXPECT_EQ(list.attributes.size(), 7u);
    datastack = {newint(1), newint(2)};
    EXPECT_EQ(decode(bytes{LIST, STACK, STACK, 255}).getstring(false), "[1, 2]");
    EXPECT_EQ(decode(bytes{LIST, 255}).getstring(false), "[]");
    EXPECT_EQ(decode(bytes{LIST, LIST} + intop(3) + bytes{255, 255}).getstring(false), "[[3]]");
    variable dict = decode(bytes{DICT} + stringop("a") + intop(1) + stringop("a") + intop(2) + bytes{255});
    EXPECT_EQ(dict.dictval.size(), 2u);
    EXPECT_EQ(dict.getstring(false), "[\"a\": 1, \"a\": 2]");
    EXPECT_EQ(dict.attributes.size(), 6u);
    // a value taken from the stack is a copy of what it held
    variable* held = newlist();
    datastack = {held};
    variable wrapped = decode(bytes{LIST, STACK, 255});
    EXPECT_NE(wrapped.listval.at(0), held);
    EXPECT_EQ(wrapped.listval.at(0)->identifier, vtype::builtin_list);
    EXPECT_TRUE(datastack.empty());
}

// What a value shows of itself, its methods and its code, for comparing two ways of making it.
std::string describe(const variable& value) {
    std::string text = typetext(value.identifier) + " " + value.name.str() + " " + value.getstring(true);
    for (const auto& [name, method] : value.attributes) text += " " + name + ":" + typetext(method->identifier);
    if (value.funccode) text += " code of " + std::to_string(value.funccode->size());
    return text;
}

// The readers that skip the intermediate value give what decoding gives, consume as much and fail alike.
TEST_F(Operands, DirectReadsAgreeWithDecoding) {
    const std::vector<bytes> operands = {
        intop(-5), floatop(1, 25), stringop("hi"), stringop("7"), stringop(""), bytes{CLASS}, codeop(bytes{1, 2}),
        codeop({}), bytes{LIST} + intop(1) + bytes{255}, bytes{STACK}, {}, bytes{INT, 1}, bytes{FLOAT, 0},
        bytes{STRING, 104}, bytes{CODE} + word(5) + bytes{1}, bytes{9}};
    using reader = std::function<std::string(codebody&)>;
    const std::vector<std::pair<reader, reader>> pairs = {
        {[](codebody& body) { return getname(body); }, [](codebody& body) { return getop(body).getstring(false); }},
        {[](codebody& body) { return std::to_string(getcount(body)); },
         [](codebody& body) { return std::to_string(getop(body).getint()); }},
        {[](codebody& body) { return describe(*getconstant(body)); },
         [](codebody& body) { return describe(*getop(body).getcopy()); }},
    };
    auto outcome = [](const bytes& operand, const reader& read) {
        freshmachine();
        datastack = {newstring("12")};
        codebody body{std::make_shared<const std::vector<byte>>(operand + bytes{7}), 0};
        std::string text;
        runresult result = capture([&] { text = read(body); });
        return text + "|" + headline(result) + "|" + std::to_string(body.next);
    };
    for (const bytes& operand : operands)
        for (const auto& [direct, decoded] : pairs) EXPECT_EQ(outcome(operand, direct), outcome(operand, decoded));
}

TEST_F(Operands, MalformedOperandsAreMachineErrors) {
    const std::string pastend = machineerror("Operand runs past the end of the code.");
    EXPECT_EQ(decodefailure({}), pastend);
    EXPECT_EQ(decodefailure(bytes{INT, 1, 2, 3}), pastend);
    EXPECT_EQ(decodefailure(bytes{FLOAT, 0, 0, 0, 1, 0}), pastend);
    EXPECT_EQ(decodefailure(bytes{STRING, 104, 105}), pastend);
    EXPECT_EQ(decodefailure(bytes{LIST} + intop(1)), pastend);
    EXPECT_EQ(decodefailure(bytes{DICT} + intop(1)), pastend);
    EXPECT_EQ(decodefailure(bytes{DICT} + intop(1) + bytes{255}), machineerror("Bad type when getting operand!"));
    EXPECT_EQ(decodefailure(bytes{CODE, 0, 0}), pastend);
    EXPECT_EQ(decodefailure(bytes{CODE} + word(5) + bytes{1, 2}), machineerror("bytes ran out! Specified: 5"));
    EXPECT_EQ(decodefailure(bytes{CODE} + word(0x7fffffff)), machineerror("bytes ran out! Specified: 2147483647"));
    EXPECT_EQ(decodefailure(bytes{STACK}), machineerror("Data stack is empty."));
    for (int tag : {8, 100, 255}) EXPECT_EQ(decodefailure(bytes{byte(tag)}), machineerror("Bad type when getting operand!"));
    bytes deep(maxnesting + 1, LIST);
    EXPECT_EQ(decodefailure(deep), machineerror("Nesting too deep."));
}

TEST(Code, ErrorDumpShowsOnlyTheBytesNoOperandRead) {
    // A STRING without its terminating 0 consumes the text it read, as every short operand does.
    runresult unterminated = run(bytes{PUSHCONST, STRING, 104, 105});
    EXPECT_EQ(unterminated.err, "VESK 4 VM error: Operand runs past the end of the code.\nCodestack: \n\n"
                                "-------------------------\n\nCalltrace: \n  > PROGRAM_ROOT\n");

    runresult result = run(bytes{PUSHCONST, CODE, 0, 0, 0, 9, 1, 2});
    EXPECT_EQ(result.err, "VESK 4 VM error: bytes ran out! Specified: 9\nCodestack: \n\n"
                          "-------------------------\n\nCalltrace: \n  > PROGRAM_ROOT\n");
}

}  // namespace
