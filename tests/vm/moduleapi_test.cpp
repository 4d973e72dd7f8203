#include "vm/moduleapi.hpp"

#include "vm/state.hpp"
#include "machine.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;
using namespace V4VM::moduleapi;

std::string failure(const std::function<void()>& work) { return headline(capture(work)); }

class ModuleApi : public testing::Test {
protected:
    void SetUp() override { freshmachine(); }
    void TearDown() override { resetmachine(); }
};

void nothing(variable*, const scope&) {}

TEST_F(ModuleApi, NativeFunctionValues) {
    variable* module = getmodulevar(nothing);
    EXPECT_EQ(module->identifier, vtype::builtin_module);
    EXPECT_TRUE(module->ismodule);
    EXPECT_EQ(module->modulefunc, &nothing);
    EXPECT_EQ(module->name, "Unnamed Variable");
    variable* function = getnativefunc(nothing);
    EXPECT_EQ(function->identifier, vtype::custom_func);
    EXPECT_TRUE(function->ismodule);
    pushresult(function);
    EXPECT_EQ(datastack.back(), function);
}

TEST_F(ModuleApi, StackAndObjects) {
    variable* number = newint(1);
    variable* list = newlist();
    datastack = {list, number};
    variable* top = gettopvar();
    EXPECT_NE(top, number);
    EXPECT_EQ(top->intval, 1);
    EXPECT_EQ(gettopvar(), list);
    EXPECT_EQ(failure([] { gettopvar(); }), machineerror("Data stack is empty."));
    freshmachine();
    gointo(list);
    EXPECT_EQ(callstack.back(), list);
    EXPECT_EQ(databasestack.size(), 2u);
    EXPECT_EQ(databasestack.back().size(), 0u);
    goout();
    EXPECT_EQ(callstack.size(), 1u);
    EXPECT_EQ(databasestack.size(), 1u);
}

TEST_F(ModuleApi, AttributesArgumentsAndNames) {
    variable* list = newlist();
    EXPECT_EQ(getattribute(list, "size"), list->attributes.at("size"));
    EXPECT_EQ(failure([&] { getattribute(list, "nope"); }),
              machineerror("Attempted to get attribute of class even tho it does not exist: nope"));
    scope args;
    args.set("arg0", list);
    EXPECT_EQ(getarg(args, "arg0"), list);
    EXPECT_EQ(failure([&] { getarg(args, "arg1"); }), moduleerror("No such arg: arg1"));
    freshmachine();
    variable* local = newint(1);
    variable* root = newint(2);
    databasestack.back().set("stdout", local);
    databasestack.back().set("only", local);
    progroot->attributes["stdout"] = root;
    EXPECT_EQ(getlocalvar("stdout"), root);
    EXPECT_EQ(getlocalvar("only"), local);
    EXPECT_EQ(failure([] { getlocalvar("none"); }), machineerror("Local variable not found: none"));
    freshmachine();
    EXPECT_EQ(getglobalvar("progroot"), progroot);
    EXPECT_EQ(failure([] { getglobalvar("none"); }), machineerror("Global variable not found: none"));
    EXPECT_EQ(&getreceiver(progroot), progroot);
    EXPECT_EQ(failure([] { getreceiver(nullptr); }), moduleerror("Method called without an object."));
}

TEST_F(ModuleApi, ListPositions) {
    std::vector<variable*> list = {newint(1), newint(2), newint(3)};
    EXPECT_EQ(Lgetindex(list, 2), list[2]);
    EXPECT_EQ(failure([&] { Lgetindex(list, 5); }),
              moduleerror("Out of bounds. Tried getting index 5 at list with length of 3"));
    EXPECT_EQ(failure([&] { Lgetindex(list, -2147483647 - 1); }),
              moduleerror("Out of bounds. Tried getting index -2147483648 at list with length of 3"));
    variable* replacement = newint(9);
    Lsetindex(list, 0, replacement);
    EXPECT_EQ(list[0], replacement);
    EXPECT_EQ(failure([&] { Lsetindex(list, 3, replacement); }),
              moduleerror("Out of bounds. Tried setting index 3 at list with length of 3"));
    EXPECT_EQ(list.size(), 3u);
}

TEST_F(ModuleApi, Conversions) {
    variable* text = varconv(*newfloat(2.5f), "BUILTIN_STRING");
    EXPECT_EQ(text->stringval, "2.500000");
    EXPECT_EQ(text->attributes.count("get"), 1u);
    EXPECT_EQ(varconv(*newstring("12abc"), "BUILTIN_INT")->intval, 12);
    EXPECT_EQ(varconv(*newstring("1.5"), "BUILTIN_FLOAT")->floatval, 1.5f);
    EXPECT_EQ(varconv(*newlist({newint(1)}), "BUILTIN_STRING")->stringval, "[1]");
    EXPECT_EQ(failure([] { varconv(*newint(1), "BUILTIN_LIST"); }), moduleerror("Unsupported convert type: BUILTIN_LIST"));
    EXPECT_EQ(failure([] { varconv(*newlist(), "BUILTIN_INT"); }), machineerror("Unsupported type: BUILTIN_LIST"));
}

TEST_F(ModuleApi, DictionaryEntries) {
    dictmap dict;
    variable* one = newint(1);
    variable* value = newstring("v");
    Dsetindex(dict, one, value);
    EXPECT_TRUE(Dcontains(dict, *newfloat(1)));
    EXPECT_FALSE(Dcontains(dict, *newint(2)));
    EXPECT_EQ(Dgetindex(dict, *newfloat(1)), value);
    EXPECT_EQ(failure([&] { Dgetindex(dict, *newstring("q")); }), moduleerror("Dict does not contain key: q"));
    Dsetindex(dict, newint(1), newstring("w"));
    EXPECT_EQ(dict.size(), 2u);
    EXPECT_EQ(Dgetindex(dict, *newint(1)), value);  // the first equal key in creation order
    Dsetindex(dict, one, newstring("x"));
    EXPECT_EQ(dict.size(), 2u);
}

TEST_F(ModuleApi, DuplicatesAndPointerTargets) {
    variable* list = newlist({newint(1)});
    variable* duplicate = Duplicatevar(list);
    EXPECT_NE(duplicate, list);
    EXPECT_EQ(duplicate->listval, list->listval);
    EXPECT_EQ(duplicate->attributes, list->attributes);
    variable* target = newint(3);
    EXPECT_EQ(&gettargetpntr(target->getpointer()), target);
    EXPECT_EQ(failure([] { gettargetpntr(newint(1)); }),
              moduleerror("Attempted to get pointer target even tho it is not defined."));
}

}  // namespace
