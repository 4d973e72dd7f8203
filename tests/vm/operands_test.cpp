#include "vm/operands.hpp"

#include <pthread.h>

#include <sstream>

#include "vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;

// A body holding exactly `operand`.
codeblock bodyof(const bytes& operand) {
    return codeblock(std::make_shared<const std::vector<byte>>(operand), nullptr, 0, operand.size());
}

class Operands : public machinetest {
protected:
    // Decodes `operand`; `rest` is how many bytes stayed unread.
    variable decode(const bytes& operand, std::size_t* rest = nullptr) {
        codeblock body = bodyof(operand);
        std::size_t next = 0;
        variable result = operandreader(vm, body, next).getop();
        if (rest) *rest = body.size() - next;
        return result;
    }
    std::string decodefailure(const bytes& operand) {
        return raised([&] { decode(operand); });
    }
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
    EXPECT_EQ(text.stringval.view(), "hi");
    EXPECT_EQ(membernames(vm, text), "get ");
    EXPECT_EQ(rest, 1u);
    EXPECT_EQ(decode(bytes{STRING, 0}).stringval.view(), "");
    EXPECT_EQ(decode(bytes{STRING, 1, 255, 0}).stringval.view(), "\x01\xff");
    EXPECT_EQ(decode(bytes{CLASS}).identifier, vtype::custom_class);
    EXPECT_EQ(membernames(vm, decode(bytes{CLASS})), "");
    variable code = decode(codeop(bytes{1, 2, 3}) + bytes{9}, &rest);
    EXPECT_EQ(code.identifier, vtype::custom_func);
    auto body = code.funccode()->bytes();
    EXPECT_EQ(bytes(body.begin(), body.end()), (bytes{1, 2, 3}));
    EXPECT_EQ(rest, 1u);
    EXPECT_EQ(decode(codeop({})).funccode(), nullptr);
    EXPECT_EQ(decode(bytes{CODE} + word(0xffffff00u) + bytes{1}, &rest).funccode(), nullptr);
    EXPECT_EQ(rest, 1u);
}

TEST_F(Operands, TheSameCodeOperandIsCutOnce) {
    codeblock body = bodyof(codeop(bytes{1, 2}));
    std::size_t next = 0;
    std::size_t again = 0;
    EXPECT_EQ(operandreader(vm, body, next).getop().funccode(), operandreader(vm, body, again).getop().funccode());
}

TEST_F(Operands, ListsAndDictionaries) {
    variable list = decode(bytes{LIST} + intop(1) + intop(2) + bytes{255});
    EXPECT_EQ(list.getstring(false), "[2, 1]");
    EXPECT_EQ(membernames(vm, list), "append contains find get remove set size ");
    vm.datastack = {newint(1), newint(2)};
    EXPECT_EQ(decode(bytes{LIST, STACK, STACK, 255}).getstring(false), "[1, 2]");
    EXPECT_EQ(decode(bytes{LIST, 255}).getstring(false), "[]");
    EXPECT_EQ(decode(bytes{LIST, LIST} + intop(3) + bytes{255, 255}).getstring(false), "[[3]]");
    variable dict = decode(bytes{DICT} + stringop("a") + intop(1) + stringop("a") + intop(2) + bytes{255});
    EXPECT_EQ(dict.dictval().size(), 2u);
    EXPECT_EQ(dict.getstring(false), "[\"a\": 1, \"a\": 2]");
    EXPECT_EQ(membernames(vm, dict), "contains get keys set size values ");
    // a value taken from the stack is a copy of what it held
    variable* held = newlist();
    vm.datastack = {held};
    variable wrapped = decode(bytes{LIST, STACK, 255});
    EXPECT_NE(wrapped.listval().at(0), held);
    EXPECT_EQ(wrapped.listval().at(0)->identifier, vtype::builtin_list);
    EXPECT_TRUE(vm.datastack.empty());
}

TEST_F(Operands, NestedListsAndDictionariesKeepTheirShape) {
    bytes inner = bytes{LIST} + intop(1) + intop(2) + bytes{DICT} + stringop("a") + intop(3) + bytes{255, 255};
    variable nested = decode(bytes{LIST, DICT} + stringop("k") + inner + bytes{255} + intop(4) + bytes{255});
    EXPECT_EQ(nested.getstring(false), "[4, [\"k\": [[\"a\": 3], 2, 1]]]");
    variable deep = decode(bytes{LIST, LIST, LIST, LIST} + intop(5) + bytes{255, 255, DICT, 255, 255, 255});
    EXPECT_EQ(deep.getstring(false), "[[[], [[5]]]]");
}

// A failure leaves the body read up to where the fault showed, which the error report's code dump
// starts after, and the data stack as the values taken from it before the fault left it.
TEST_F(Operands, AFailureLeavesTheBytesAndTheStackAsReadSoFar) {
    struct failing {
        bytes operand;
        std::string message;
        std::size_t next;
        std::size_t left;  // of the two values on the data stack
    };
    const std::string pastend = machineerror("Operand runs past the end of the code.");
    const std::string badtype = machineerror("Bad type when getting operand!");
    const std::string nostack = machineerror("Data stack is empty.");
    const std::vector<failing> cases = {
        {bytes{INT, 1, 2}, pastend, 3, 2},
        {bytes{STRING, 104, 105}, pastend, 3, 2},
        {bytes{9, 1}, badtype, 1, 2},
        {bytes{CODE} + word(5) + bytes{1, 2}, machineerror("bytes ran out! Specified: 5"), 7, 2},
        {bytes{LIST, STACK, 9, 1}, badtype, 3, 1},
        {bytes{LIST, STACK, STACK, STACK, 1}, nostack, 4, 0},
        {bytes{LIST, STACK, STACK}, pastend, 3, 0},
        {bytes{DICT, STACK}, pastend, 2, 1},
        {bytes{DICT} + intop(1) + bytes{255, 255}, badtype, 7, 2},
        {bytes{DICT, STACK, STACK, LIST, STACK, 255}, nostack, 5, 0},
        {bytes{LIST, LIST, STACK, 255, CODE, 0, 0, 0, 9}, machineerror("bytes ran out! Specified: 9"), 9, 1},
    };
    for (const failing& fault : cases) {
        vm.datastack = {newint(1), newint(2)};
        codeblock body = bodyof(fault.operand);
        std::size_t next = 0;
        EXPECT_EQ(raised([&] { operandreader(vm, body, next).getop(); }), fault.message);
        EXPECT_EQ(next, fault.next) << fault.message;
        EXPECT_EQ(vm.datastack.size(), fault.left) << fault.message;
    }
    bytes deep(maxnesting + 1, LIST);
    codeblock body = bodyof(deep);
    std::size_t next = 0;
    EXPECT_EQ(raised([&] { operandreader(vm, body, next).getop(); }), machineerror("Nesting too deep."));
    EXPECT_EQ(next, deep.size());
}

// What a value shows of itself, its methods and its code, for comparing two ways of making it.
std::string describe(machine& vm, variable& value) {
    std::string text = typetext(value.identifier) + " " + value.name.str() + " " + value.getstring(true) + " ";
    std::istringstream names(membernames(vm, value));
    for (std::string name; names >> name;) text += name + ":" + typetext(member(vm, &value, name)->identifier) + " ";
    if (value.funccode()) text += "code of " + std::to_string(value.funccode()->size());
    return text;
}

// The readers that skip the intermediate value give what decoding gives, consume as much and fail alike.
TEST_F(Operands, DirectReadsAgreeWithDecoding) {
    const std::vector<bytes> operands = {
        intop(-5), floatop(1, 25), stringop("hi"), stringop("7"), stringop(""), bytes{CLASS}, codeop(bytes{1, 2}),
        codeop({}), bytes{LIST} + intop(1) + bytes{255}, bytes{STACK}, {}, bytes{INT, 1}, bytes{FLOAT, 0},
        bytes{STRING, 104}, bytes{CODE} + word(5) + bytes{1}, bytes{9}};
    using reader = std::function<std::string(machine&, operandreader&)>;
    const std::vector<std::pair<reader, reader>> pairs = {
        {[](machine&, operandreader& read) { return read.getname().str(); },
         [](machine&, operandreader& read) { return read.getop().getstring(false); }},
        {[](machine&, operandreader& read) { return std::to_string(read.getcount()); },
         [](machine&, operandreader& read) { return std::to_string(read.getop().getint()); }},
        {[](machine& vm, operandreader& read) { return describe(vm, *read.getconstant()); },
         [](machine& vm, operandreader& read) {
             variable operand = read.getop();
             return describe(vm, *vm.getcopy(&operand));
         }},
    };
    auto outcome = [](const bytes& operand, const reader& read) {
        machine vm;
        vm.startmachine();
        openmethods(vm);
        vm.datastack = {vm.newstring("12")};
        codeblock body = bodyof(operand + bytes{7});
        std::size_t next = 0;
        operandreader reader(vm, body, next);
        std::string text;
        std::string failure = raised([&] { text = read(vm, reader); });
        return text + "|" + failure + "|" + std::to_string(next);
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

// Runs `work` on a thread whose stack holds `bytes`; false when no such thread can be had.
bool onstackof(std::size_t bytes, const std::function<void()>& work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, bytes);
    pthread_t thread;
    auto run = [](void* job) -> void* {
        (*static_cast<const std::function<void()>*>(job))();
        return nullptr;
    };
    bool started = pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&work)) == 0;
    pthread_attr_destroy(&attributes);
    if (started) pthread_join(thread, nullptr);
    return started;
}

// Raw bytes can nest lists as deep as the machine allows, and the machine may run on a small stack:
// reading them takes no stack of their depth.
TEST_F(Operands, ListsNestedAsDeepAsAllowedAreReadOnASmallStack) {
    const std::size_t depth = maxnesting;
    bytes operand(depth, LIST);
    operand.resize(2 * depth, LISTEND);
    codeblock body = bodyof(operand);
    std::size_t next = 0;
    std::size_t outermost = 0;
    std::string failure;
    ASSERT_TRUE(onstackof(256 * 1024, [&] {
        try {
            outermost = operandreader(vm, body, next).getop().listval().size();
        } catch (const vmerror& error) {
            failure = error.message;
        }
    }));
    EXPECT_EQ(failure, "");
    EXPECT_EQ(next, operand.size());
    EXPECT_EQ(outermost, 1u);
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
