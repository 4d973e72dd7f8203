#include "vm/value.hpp"

#include <cmath>
#include <csignal>

#include "vm/native.hpp"
#include "vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;
using native::getnativefunc;

using Values = machinetest;

TEST_F(Values, FreshValuesAndTypeTexts) {
    variable* fresh = vm.getallocvar();
    EXPECT_EQ(typetext(fresh->identifier), "");
    EXPECT_EQ(fresh->getstring(false), "None");
    EXPECT_EQ(fresh->name.str(), "Unnamed Variable");
    EXPECT_EQ(membernames(vm, *fresh), "");
    EXPECT_EQ(typetext(vtype::builtin_module), "BUILTIN_MODULE");
    EXPECT_EQ(membernames(vm, *vm.getallocvar(vtype::builtin_list)), "append contains find get remove set size ");
    EXPECT_EQ(membernames(vm, *vm.getallocvar(vtype::builtin_dict)), "contains get keys set size values ");
    EXPECT_EQ(membernames(vm, *vm.getallocvar(vtype::builtin_pntr)), "get set ");
    EXPECT_EQ(membernames(vm, *vm.getallocvar(vtype::builtin_string)), "get ");
    EXPECT_EQ(membernames(vm, *vm.getallocvar(vtype::builtin_class)), "");
    EXPECT_LT(fresh->serial, vm.getallocvar()->serial);
    // a method made when first fetched has the serial it would have had if made with its owner
    variable* list = newlist();
    variable* later = newint(0);
    EXPECT_LT(member(list, "size")->serial, later->serial);
    EXPECT_LT(member(list, "get")->serial, member(list, "size")->serial);
}

TEST_F(Values, IntegerReadings) {
    EXPECT_EQ(newfloat(2.9f)->getint(), 2);
    EXPECT_EQ(newfloat(-2.9f)->getint(), -2);
    EXPECT_EQ(newstring(" 42x")->getint(), 42);
    EXPECT_EQ(newstring("\t-7")->getint(), -7);
    EXPECT_EQ(newstring("+2147483647")->getint(), 2147483647);
    EXPECT_EQ(newstring("-2147483648")->getint(), -2147483647 - 1);
    EXPECT_EQ(newfloat(-2147483648.0f)->getint(), -2147483647 - 1);
    EXPECT_EQ(raised([&] { newstring("x1")->getint(); }), machineerror("Not a number: x1"));
    EXPECT_EQ(raised([&] { newstring("")->getint(); }), machineerror("Not a number: "));
    EXPECT_EQ(raised([&] { newstring("2147483648")->getint(); }), machineerror("Number out of range: 2147483648"));
    EXPECT_EQ(raised([&] { newstring("-99999999999999999999")->getint(); }),
              machineerror("Number out of range: -99999999999999999999"));
    EXPECT_EQ(raised([&] { newfloat(2147483648.0f)->getint(); }),
              machineerror("Number out of range: 2147483648.000000"));
    EXPECT_EQ(raised([&] { newfloat(std::numeric_limits<float>::infinity())->getint(); }),
              machineerror("Number out of range: inf"));
    EXPECT_EQ(raised([&] { newfloat(-std::numeric_limits<float>::infinity())->getint(); }),
              machineerror("Number out of range: -inf"));
    EXPECT_EQ(raised([&] { newfloat(std::numeric_limits<float>::quiet_NaN())->getint(); }),
              machineerror("Number out of range: nan"));
    EXPECT_EQ(raised([&] { newlist()->getint(); }), machineerror("Unsupported type: BUILTIN_LIST"));
    EXPECT_EQ(raised([&] { vm.getallocvar()->getint(); }), machineerror("Unsupported type: "));
}

TEST_F(Values, FloatReadings) {
    EXPECT_EQ(newint(3)->getfloat(), 3.0f);
    EXPECT_EQ(newstring(" 2.5abc")->getfloat(), 2.5f);
    EXPECT_EQ(newstring("1e3")->getfloat(), 1000.0f);
    EXPECT_TRUE(std::isinf(newstring("inf")->getfloat()));
    EXPECT_EQ(newstring("1e-60")->getfloat(), 0.0f);  // underflow keeps the conversion's result
    EXPECT_EQ(raised([&] { newstring("abc")->getfloat(); }), machineerror("Not a number: abc"));
    EXPECT_EQ(raised([&] { newstring("1e60")->getfloat(); }), machineerror("Number out of range: 1e60"));
    EXPECT_EQ(raised([&] { vm.getallocvar(vtype::builtin_dict)->getfloat(); }), machineerror("Unsupported type: "));
}

TEST_F(Values, Texts) {
    EXPECT_EQ(newint(-12)->getstring(true), "-12");
    EXPECT_EQ(newfloat(2.5f)->getstring(false), "2.500000");
    EXPECT_EQ(newfloat(-0.1f)->getstring(false), "-0.100000");
    EXPECT_EQ(newstring("x")->getstring(false), "x");
    EXPECT_EQ(newstring("x")->getstring(true), "\"x\"");
    EXPECT_EQ(newlist({newstring("x")})->getstring(false), "[\"x\"]");
    EXPECT_EQ(newlist({newint(1), newstring("a"), newlist({newint(2), newint(3)})})->getstring(false),
              "[1, \"a\", [2, 3]]");
    EXPECT_EQ(newdict({{newstring("a"), newint(1)}})->getstring(false), "[\"a\": 1]");
    EXPECT_EQ(newlist()->getstring(false), "[]");
    EXPECT_EQ(newdict({})->getstring(false), "[]");
    EXPECT_EQ(newobject()->getstring(false), "None");
    EXPECT_EQ(vm.getpointer(newint(1))->getstring(false), "None");
}

TEST_F(Values, SelfContainingStructuresPrintTheirInnerOccurrence) {
    variable* list = newlist({newint(1)});
    list->listval().push_back(list);
    EXPECT_EQ(list->getstring(false), "[1, [...]]");
    variable* dict = newdict({});
    dict->dictval()[newstring("me")] = dict;
    dict->dictval()[newstring("l")] = list;
    EXPECT_EQ(dict->getstring(false), "[\"me\": [...], \"l\": [1, [...]]]");
    variable* shared = newlist({newint(2)});
    EXPECT_EQ(newlist({shared, shared})->getstring(false), "[[2], [2]]");
}

TEST_F(Values, NestingIsBounded) {
    runonlargestack([&] {
        variable* deep = newlist();
        for (int level = 1; level < maxnesting; ++level) deep = newlist({deep});
        EXPECT_EQ(deep->getstring(false).size(), 2u * maxnesting);
        variable* deeper = newlist({deep});
        EXPECT_EQ(raised([&] { deeper->getstring(false); }), machineerror("Nesting too deep."));
        variable* dict = newdict({});
        for (int level = 0; level <= maxnesting; ++level) dict = newdict({{newint(level), dict}});
        EXPECT_EQ(raised([&] { vm.getcopy(dict); }), machineerror("Nesting too deep."));
    });
}

TEST_F(Values, DictionariesAreOrderedByCreation) {
    variable* first = newstring("b");
    variable* second = newstring("a");
    variable* dict = newdict({{second, newint(2)}, {first, newint(1)}});
    EXPECT_EQ(dict->getstring(false), "[\"b\": 1, \"a\": 2]");
}

TEST_F(Values, FetchingCopiesValueKindsOnly) {
    for (variable* value : {newint(1), newfloat(1), newstring("s"), vm.getpointer(newint(1))}) {
        variable* fetched = vm.getvar(value);
        EXPECT_NE(fetched, value);
        EXPECT_TRUE(*fetched == *value);
    }
    for (variable* value : {newlist(), newdict({}), newobject(), getnativefunc(vm, nullptr)})
        EXPECT_EQ(vm.getvar(value), value);
    variable* target = newint(1);
    variable* pointer = vm.getpointer(target);
    EXPECT_EQ(pointer->pntrval(), target);
    EXPECT_NE(vm.getpointer(target), pointer);
}

TEST_F(Values, Equality) {
    EXPECT_TRUE(*newint(3) == *newfloat(3));
    EXPECT_FALSE(*newint(3) == *newint(4));
    EXPECT_FALSE(*newstring("a") == *newint(0));
    EXPECT_TRUE(*newint(16777217) == *newint(16777216));  // through single precision
    variable* element = newint(1);
    EXPECT_TRUE(*newlist({element}) == *newlist({element}));
    EXPECT_FALSE(*newlist({newint(1)}) == *newlist({newint(1)}));
    variable* key = newint(1);
    EXPECT_TRUE(*newdict({{key, element}}) == *newdict({{key, element}}));
    EXPECT_FALSE(*newdict({{key, element}}) == *newdict({{newint(1), element}}));
    EXPECT_TRUE(*newobject() == *newobject());
    variable* f = vm.getallocvar();
    f->identifier = vtype::custom_func;
    variable* g = vm.getallocvar();
    *g = *f;
    g->setfunccode(vm.code.load({}, nullptr));
    EXPECT_TRUE(*f == *g);
    g->setfunccode(vm.code.load({1}, nullptr));
    EXPECT_FALSE(*f == *g);
}

TEST_F(Values, AssignmentOverwritesAllButTheMark) {
    variable* target = newlist();
    target->alreadycopied = true;
    variable* source = newstring("s");
    source->name = vm.name("src");
    std::uint64_t serial = target->serial;
    vm.assign(*target, *source);
    EXPECT_EQ(target->identifier, vtype::builtin_string);
    EXPECT_EQ(target->name.str(), "src");
    EXPECT_EQ(member(target, "get"), member(source, "get"));  // both hold one method object
    EXPECT_TRUE(target->alreadycopied);
    EXPECT_EQ(target->serial, serial);
    variable copied(*target);
    EXPECT_TRUE(copied.alreadycopied);
}

TEST_F(Values, AssignedValuesFindTheMethodsMadeThroughEitherOfThem) {
    auto made = [&](variable* value) {
        std::vector<variable*> found;
        vm.foreachmademember(*value, [&](variable* method) { found.push_back(method); });
        return found;
    };
    for (bool throughtarget : {true, false}) {
        variable* source = newstring("s");
        variable* target = newint(0);
        EXPECT_TRUE(made(source).empty());
        vm.assign(*target, *source);
        variable* method = member(throughtarget ? target : source, "get");
        EXPECT_EQ(made(source), std::vector<variable*>{method});
        EXPECT_EQ(made(target), std::vector<variable*>{method});
        // A copy's methods are its own, whichever were made.
        variable* copy = vm.getcopy(target);
        EXPECT_NE(member(copy, "get"), method);
        EXPECT_EQ(made(target), std::vector<variable*>{method});
    }
}

TEST_F(Values, CopiesFollowTheMarkingAlgorithm) {
    variable* dict = newdict({{newstring("k"), newint(1)}, {newstring("j"), newint(2)}});
    variable* dictcopy = vm.getcopy(dict);
    ASSERT_EQ(dictcopy->dictval().size(), 2u);
    for (auto [key, value] : dictcopy->dictval()) {
        EXPECT_EQ(dict->dictval().count(key), 0u);
        for (auto [sourcekey, sourcevalue] : dict->dictval()) EXPECT_NE(value, sourcevalue);
    }
    EXPECT_EQ(dictcopy->getstring(false), "[\"k\": 1, \"j\": 2]");
    EXPECT_NE(member(dictcopy, "get"), member(dict, "get"));

    variable* element = newint(5);
    variable* list = newlist({element});
    EXPECT_EQ(vm.getcopy(list)->listval(), std::vector<variable*>{element});

    // two members holding the same object: the first is copied, the second shared
    variable* object = newobject();
    variable* shared = newint(7);
    setmember(object, "a", shared);
    setmember(object, "b", shared);
    variable* objectcopy = vm.getcopy(object);
    EXPECT_NE(member(objectcopy, "a"), shared);
    EXPECT_EQ(member(objectcopy, "b"), shared);
    EXPECT_FALSE(shared->alreadycopied);
}

TEST_F(Values, CopyCyclesEnd) {
    // a method whose receiver holds the method
    variable* object = newobject();
    variable* method = vm.getallocvar();
    method->identifier = vtype::custom_func;
    method->self = object;
    setmember(object, "m", method);
    variable* methodcopy = vm.getcopy(method);
    EXPECT_NE(methodcopy->self, object);
    EXPECT_EQ(member(methodcopy->self, "m"), method);
    // two objects holding each other as members
    variable* a = newobject();
    variable* b = newobject();
    setmember(a, "other", b);
    setmember(b, "other", a);
    variable* acopy = vm.getcopy(a);
    EXPECT_NE(member(acopy, "other"), b);
    EXPECT_EQ(member(member(acopy, "other"), "other"), a);
    // an object holding itself
    variable* me = newobject();
    setmember(me, "me", me);
    EXPECT_EQ(member(vm.getcopy(me), "me"), me);
    // a dictionary holding itself
    variable* dict = newdict({});
    dict->dictval()[newstring("d")] = dict;
    EXPECT_EQ(vm.getcopy(dict)->dictval().size(), 1u);
    for (variable* value : {object, method, a, b, me, dict}) EXPECT_FALSE(value->alreadycopied);
}

TEST_F(Values, OnlyCopiesThatCanReadTheirReceiverCopyIt) {
    variable* owner = newobject();
    setmember(owner, "x", newint(1));
    // a number, string or pointer keeps its receiver, at the top of a copy and inside one
    for (variable* value : {newint(3), newfloat(1.5f), newstring("s"), vm.getpointer(newint(0))}) {
        value->self = owner;
        EXPECT_EQ(vm.getcopy(value)->self, owner);
        variable* holder = newobject();
        setmember(holder, "v", value);
        EXPECT_EQ(member(vm.getcopy(holder), "v")->self, owner);
    }
    // a function reads its receiver when called: it gets a copy
    variable* method = vm.getallocvar();
    method->identifier = vtype::custom_func;
    method->self = owner;
    variable* methodcopy = vm.getcopy(method);
    EXPECT_NE(methodcopy->self, owner);
    EXPECT_EQ(methodcopy->self->getstring(false), owner->getstring(false));
    // so does a native turned into an integer in place, which still calls its native
    variable* native = getnativefunc(vm, [](machine&, variable*, const nativeargs&) {});
    native->self = owner;
    native->identifier = vtype::builtin_int;
    EXPECT_NE(vm.getcopy(native)->self, owner);
}

TEST_F(Values, AFailedCopyLeavesNoMarks) {
    // a chain of members deeper than a copy may go, then the same chain cut short
    variable* head = newobject();
    variable* cell = head;
    std::vector<variable*> cells{head};
    for (int depth = 0; depth < maxnesting + 1; ++depth) {
        variable* next = newobject();
        setmember(cell, "next", next);
        setmember(cell, "v", newint(depth));
        cells.push_back(cell = next);
    }
    EXPECT_EQ(raised([&] { vm.getcopy(head); }), machineerror("Nesting too deep."));
    for (variable* value : cells) ASSERT_FALSE(value->alreadycopied);
    vm.setmember(*cells[maxnesting / 2], vm.name("next"), newint(0));
    variable* copy = vm.getcopy(head);
    EXPECT_NE(member(copy, "next"), cells[1]);
    EXPECT_EQ(member(member(copy, "next"), "v")->getint(), 1);
}

}  // namespace

namespace {

TEST_F(Values, AnInterruptStopsCopiesAndTextsOfLargeValuesLeavingNoMarks) {
    variable* head = newobject();
    std::vector<variable*> cells{head};
    for (int depth = 0; depth < 50; ++depth) {
        variable* next = newobject();
        setmember(cells.back(), "next", next);
        setmember(next, "back", head);  // met again: marked while the copy runs
        cells.push_back(next);
    }
    variable* list = vm.newlist(std::vector<variable*>(1000, newint(7)));
    variable* before = vm.getcopy(head);
    caughtsignal.store(SIGINT);
    EXPECT_EQ(raised([&] { vm.getcopy(head); }), machineerror("Interrupted."));
    EXPECT_EQ(raised([&] { list->getstring(false); }), machineerror("Interrupted."));
    clearinterrupt();
    for (variable* value : cells) ASSERT_FALSE(value->alreadycopied);
    variable* copy = vm.getcopy(head);
    // The same copy as before the interrupt: the member met again is where it was.
    EXPECT_EQ(member(member(copy, "next"), "back") == copy, member(member(before, "next"), "back") == before);
    EXPECT_EQ(member(member(copy, "next"), "back") == head, member(member(before, "next"), "back") == head);
    EXPECT_EQ(list->getstring(false).size(), 3 * 1000 - 2 + 2);
}

}  // namespace
