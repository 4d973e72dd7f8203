#include "lib/methods.hpp"

#include "vm/vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;

class Methods : public machinetest {
protected:
    void SetUp() override {
        machinetest::SetUp();
        a = newstring("a");
        abc = newlist({a, newstring("b"), newstring("c")});
    }

    // Calls a method as the machine does and returns what it pushed, or null.
    variable* invoke(variable* receiver, const std::string& method, std::vector<variable*> values = {}) {
        std::size_t before = vm.datastack.size();
        member(receiver, method)->modulefunc()(vm, receiver, nativeargs(values, scope()));
        if (vm.datastack.size() == before) return nullptr;
        variable* result = vm.datastack.back();
        vm.datastack.pop_back();
        return result;
    }

    variable* a = nullptr;
    variable* abc = nullptr;
};

TEST_F(Methods, ShapesOfTheMethodValues) {
    for (const auto& [value, name, shape] : std::vector<std::tuple<variable*, std::string, vtype>>{
             {abc, "get", vtype::custom_func}, {abc, "remove", vtype::custom_func}, {abc, "size", vtype::builtin_module},
             {vm.getpointer(newint(1)), "set", vtype::builtin_module}, {a, "get", vtype::builtin_module},
             {newdict(), "keys", vtype::custom_func}, {newdict(), "size", vtype::builtin_module}}) {
        variable* method = member(value, name);
        EXPECT_EQ(method->identifier, shape) << name;
        EXPECT_TRUE(method->ismodule);
    }
    EXPECT_NE(member(newlist(), "get"), member(newlist(), "get"));
}

TEST_F(Methods, ListGetSetAndBounds) {
    EXPECT_EQ(invoke(abc, "get", {newstring("0")}), a);
    EXPECT_EQ(raised([&] { invoke(abc, "get", {newint(3)}); }),
              moduleerror("Out of bounds. Tried getting index 3 at list with length of 3"));
    EXPECT_EQ(raised([&] { invoke(abc, "get", {newint(-1)}); }),
              moduleerror("Out of bounds. Tried getting index -1 at list with length of 3"));
    variable* list = newlist({newint(1), newint(2), newint(3)});
    variable* element = newint(9);
    EXPECT_EQ(invoke(list, "set", {newint(1), element}), nullptr);
    EXPECT_EQ(list->listval()[1], element);
    EXPECT_EQ(raised([&] { invoke(list, "set", {newint(3), element}); }),
              moduleerror("Out of bounds. Tried setting index 3 at list with length of 3"));
    EXPECT_EQ(list->listval().size(), 3u);
    EXPECT_EQ(raised([&] { invoke(list, "set", {newint(0)}); }), moduleerror("No such arg: arg1"));
    EXPECT_EQ(raised([&] { invoke(list, "get"); }), moduleerror("No such arg: arg0"));
}

TEST_F(Methods, ListAppendContainsFindSize) {
    variable* inner = newlist();
    invoke(abc, "append", {inner});
    invoke(inner, "append", {newint(1)});
    EXPECT_EQ(abc->getstring(false), "[\"a\", \"b\", \"c\", [1]]");
    EXPECT_EQ(invoke(abc, "size")->intval, 4);
    EXPECT_EQ(invoke(abc, "contains", {a})->intval, 1);
    EXPECT_EQ(invoke(abc, "contains", {newstring("a")})->intval, 0);
    EXPECT_EQ(invoke(abc, "find", {newstring("a")})->intval, 0);
    EXPECT_EQ(invoke(abc, "find", {newstring("b")})->intval, 1);
    EXPECT_EQ(invoke(abc, "find", {newstring("z")})->intval, -1);
    EXPECT_EQ(invoke(newlist(), "find")->intval, -1);  // an empty list never reads its argument
    EXPECT_EQ(raised([&] { invoke(abc, "find"); }), moduleerror("No such arg: arg0"));
}

TEST_F(Methods, ListRemove) {
    invoke(abc, "remove", {newint(0)});
    EXPECT_EQ(abc->getstring(false), "[\"b\", \"c\"]");
    invoke(abc, "remove", {newstring("1")});  // the stored integer, unconverted: 0
    EXPECT_EQ(abc->getstring(false), "[\"c\"]");
    EXPECT_EQ(raised([&] { invoke(abc, "remove", {newint(2)}); }),
              moduleerror("Out of bounds. Tried erasing lement at index: 2 even tho length is: 1"));
    EXPECT_EQ(raised([&] { invoke(abc, "remove", {newint(-1)}); }),
              moduleerror("Out of bounds. Tried erasing lement at index: -1 even tho length is: 1"));
}

TEST_F(Methods, Dictionaries) {
    variable* dict = newdict();
    EXPECT_EQ(invoke(dict, "keys")->getstring(false), "[]");
    EXPECT_EQ(membernames(vm, *invoke(dict, "keys")), "append contains find get remove set size ");
    variable* one = newint(10);
    variable* two = newint(20);
    invoke(dict, "set", {newstring("k"), one});
    invoke(dict, "set", {newstring("k"), two});
    invoke(dict, "set", {newint(1), newstring("one")});
    EXPECT_EQ(invoke(dict, "size")->intval, 3);
    EXPECT_EQ(invoke(dict, "get", {newstring("k")}), one);
    EXPECT_EQ(invoke(dict, "get", {newfloat(1)})->stringval.view(), "one");
    invoke(dict, "set", {newint(1), newstring("uno")});  // an equal key of another object: a second entry
    EXPECT_EQ(invoke(dict, "size")->intval, 4);
    EXPECT_EQ(invoke(dict, "get", {newint(1)})->stringval.view(), "one");  // the first in creation order
    EXPECT_EQ(invoke(dict, "contains", {newstring("k")})->intval, 1);
    EXPECT_EQ(invoke(dict, "contains", {newstring("q")})->intval, 0);
    EXPECT_EQ(raised([&] { invoke(dict, "get", {newstring("q")}); }), moduleerror("Dict does not contain key: q"));
    dict = newdict();
    variable* key = newstring("k");
    variable* value = newlist({newint(1)});
    invoke(dict, "set", {key, value});
    variable* keys = invoke(dict, "keys");
    variable* values = invoke(dict, "values");
    EXPECT_EQ(keys->getstring(false), "[\"k\"]");
    EXPECT_NE(keys->listval()[0], key);
    keys->listval()[0]->stringval = text("changed");
    EXPECT_EQ(key->stringval.view(), "k");
    values->listval()[0]->listval().push_back(newint(2));
    EXPECT_EQ(value->getstring(false), "[1]");  // the duplicate has its own list storage
}

TEST_F(Methods, Strings) {
    variable* text = newstring("abc");
    variable* first = invoke(text, "get", {newint(0)});
    EXPECT_EQ(first->stringval.view(), "a");
    EXPECT_EQ(membernames(vm, *first), "get ");
    EXPECT_EQ(invoke(text, "get", {newstring("2")})->stringval.view(), "c");
    EXPECT_EQ(invoke(text, "get", {newint(3)})->stringval.view(), std::string(1, '\0'));
    EXPECT_EQ(raised([&] { invoke(text, "get", {newint(4)}); }),
              moduleerror("Out of bounds. Tried getting index 4 at string with length of 3"));
    EXPECT_EQ(raised([&] { invoke(text, "get", {newint(-1)}); }),
              moduleerror("Out of bounds. Tried getting index -1 at string with length of 3"));
}

TEST_F(Methods, Pointers) {
    variable* target = newint(5);
    variable* pointer = vm.getpointer(target);
    variable* got = invoke(pointer, "get");
    EXPECT_NE(got, target);
    got->intval = 6;
    EXPECT_EQ(target->intval, 5);
    invoke(pointer, "set", {newstring("s")});
    EXPECT_EQ(target->identifier, vtype::builtin_string);
    EXPECT_EQ(target->stringval.view(), "s");
    variable* list = newlist();
    EXPECT_EQ(invoke(vm.getpointer(list), "get"), list);
    variable* empty = vm.getallocvar(vtype::builtin_pntr);
    empty->identifier = vtype::builtin_pntr;
    const std::string undefined = moduleerror("Attempted to get pointer target even tho it is not defined.");
    EXPECT_EQ(raised([&] { invoke(empty, "get"); }), undefined);
    EXPECT_EQ(raised([&] { invoke(empty, "set", {newint(1)}); }), undefined);
}

TEST_F(Methods, WithoutAReceiver) {
    for (const auto& receiver : std::vector<std::pair<variable*, std::string>>{
             {abc, "get"}, {abc, "size"}, {a, "get"}, {vm.getpointer(newint(1)), "get"}, {newdict(), "keys"}}) {
        std::vector<variable*> index{newint(0)};
        scope none;
        nativeargs args(index, none);
        // Not a structured binding: lambdas may capture those only from C++20 compilers newer than some
        // still in use.
        EXPECT_EQ(raised([&] { member(receiver.first, receiver.second)->modulefunc()(vm, nullptr, args); }),
                  moduleerror("Method called without an object."));
    }
    // through the machine, fetching a method binds its receiver, which stays bound when it is stored
    auto program = op(PUSHCONST, bytes{LIST, 255}) + op(ENTERTOP) + op(LOADATTR, "size") + op(LEAVE) +
                   op(STORELOCAL, "s") + op(LOADLOCAL, "s") + call(0);
    runresult result = run(program);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.vm->datastack.back()->intval, 0);
}

TEST(Natives, CalledThroughTheMachine) {
    // l = [1]; l.append(2); l.get(1) — the method pushes the element itself
    auto program = pushint(1) + op(PUSHCONST, bytes{LIST, STACK, 255}) + op(STORELOCAL, "l") + pushint(2) +
                   op(LOADLOCAL, "l") + op(ENTERTOP) + op(LOADATTR, "append") + op(LEAVE) + call(1) + pushint(1) +
                   op(LOADLOCAL, "l") + op(ENTERTOP) + op(LOADATTR, "get") + op(LEAVE) + call(1);
    runresult result = run(program);
    EXPECT_EQ(result.out, "\n<VESK 4> Program finished with code 2\n");
    EXPECT_EQ(result.vm->calltrace.size(), 1u);
    EXPECT_EQ(member(*result.vm, result.vm->progroot, "l")->listval().back(), result.vm->datastack.back());
}

}  // namespace
