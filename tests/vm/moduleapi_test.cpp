#include "vm/moduleapi.hpp"

#include "vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;
using namespace V4VM::moduleapi;

using ModuleApi = machinetest;

void nothing(machine&, variable*, const nativeargs&) {}

TEST_F(ModuleApi, NativeFunctionValues) {
    variable* module = getmodulevar(vm, nothing);
    EXPECT_EQ(module->identifier, vtype::builtin_module);
    EXPECT_TRUE(module->ismodule);
    EXPECT_EQ(module->modulefunc(), &nothing);
    EXPECT_EQ(module->name.str(), "Unnamed Variable");
    variable* function = getnativefunc(vm, nothing);
    EXPECT_EQ(function->identifier, vtype::custom_func);
    EXPECT_TRUE(function->ismodule);
    pushresult(vm, function);
    EXPECT_EQ(vm.datastack.back(), function);
}

TEST_F(ModuleApi, StackAndObjects) {
    variable* number = newint(1);
    variable* list = newlist();
    vm.datastack = {list, number};
    variable* top = vm.gettopvar();
    EXPECT_NE(top, number);
    EXPECT_EQ(top->intval, 1);
    EXPECT_EQ(vm.gettopvar(), list);
    EXPECT_EQ(raised([&] { vm.gettopvar(); }), machineerror("Data stack is empty."));
    gointo(vm, list);
    EXPECT_EQ(vm.callstack.back(), list);
    EXPECT_EQ(vm.databasestack.size(), 2u);
    EXPECT_TRUE(vm.databasestack.back().empty());
    goout(vm);
    EXPECT_EQ(vm.callstack.size(), 1u);
    EXPECT_EQ(vm.databasestack.size(), 1u);
}

TEST_F(ModuleApi, AttributesArgumentsAndNames) {
    variable* list = newlist();
    EXPECT_EQ(getattribute(vm, list, vm.name("size")), member(list, "size"));
    EXPECT_EQ(raised([&] { getattribute(vm, list, vm.name("nope")); }),
              machineerror("Attempted to get attribute of class even tho it does not exist: nope"));
    // the popped arguments first, then the scope the call started from
    scope base;
    variable* second = newint(0);
    base.set(vm.name("arg0"), newint(0));
    base.set(vm.name("arg1"), second);
    std::vector<variable*> popped{list};
    nativeargs args(popped, base);
    EXPECT_EQ(getarg(vm, args, 0), list);
    EXPECT_EQ(getarg(vm, args, 1), second);
    EXPECT_EQ(raised([&] { getarg(vm, args, 2); }), moduleerror("No such arg: arg2"));
    variable* local = newint(1);
    variable* root = newint(2);
    vm.currentscope().set(vm.name("stdout"), local);
    vm.currentscope().set(vm.name("only"), local);
    vm.setmember(*vm.progroot, vm.name("stdout"), root);
    EXPECT_EQ(getlocalvar(vm, vm.name("stdout")), root);
    EXPECT_EQ(getlocalvar(vm, vm.name("only")), local);
    EXPECT_EQ(raised([&] { getlocalvar(vm, vm.name("none")); }), machineerror("Local variable not found: none"));
    EXPECT_EQ(getglobalvar(vm, vm.name("progroot")), vm.progroot);
    EXPECT_EQ(raised([&] { getglobalvar(vm, vm.name("none")); }), machineerror("Global variable not found: none"));
    EXPECT_EQ(&getreceiver(vm.progroot), vm.progroot);
    EXPECT_EQ(raised([&] { getreceiver(nullptr); }), moduleerror("Method called without an object."));
}

TEST_F(ModuleApi, ListPositions) {
    std::vector<variable*> list = {newint(1), newint(2), newint(3)};
    EXPECT_EQ(Lgetindex(list, 2), list[2]);
    EXPECT_EQ(raised([&] { Lgetindex(list, 5); }),
              moduleerror("Out of bounds. Tried getting index 5 at list with length of 3"));
    EXPECT_EQ(raised([&] { Lgetindex(list, -2147483647 - 1); }),
              moduleerror("Out of bounds. Tried getting index -2147483648 at list with length of 3"));
    variable* replacement = newint(9);
    Lsetindex(list, 0, replacement);
    EXPECT_EQ(list[0], replacement);
    EXPECT_EQ(raised([&] { Lsetindex(list, 3, replacement); }),
              moduleerror("Out of bounds. Tried setting index 3 at list with length of 3"));
    EXPECT_EQ(list.size(), 3u);
}

TEST_F(ModuleApi, Conversions) {
    variable* text = varconv(vm, *newfloat(2.5f), "BUILTIN_STRING");
    EXPECT_EQ(text->stringval.view(), "2.500000");
    EXPECT_EQ(membernames(vm, *text), "get ");
    EXPECT_EQ(varconv(vm, *newstring("12abc"), "BUILTIN_INT")->intval, 12);
    EXPECT_EQ(varconv(vm, *newstring("1.5"), "BUILTIN_FLOAT")->floatval, 1.5f);
    EXPECT_EQ(varconv(vm, *newlist({newint(1)}), "BUILTIN_STRING")->stringval.view(), "[1]");
    EXPECT_EQ(raised([&] { varconv(vm, *newint(1), "BUILTIN_LIST"); }),
              moduleerror("Unsupported convert type: BUILTIN_LIST"));
    EXPECT_EQ(raised([&] { varconv(vm, *newlist(), "BUILTIN_INT"); }), machineerror("Unsupported type: BUILTIN_LIST"));
}

TEST_F(ModuleApi, DictionaryEntries) {
    dictmap dict;
    variable* one = newint(1);
    variable* value = newstring("v");
    Dsetindex(dict, one, value);
    EXPECT_TRUE(Dcontains(dict, *newfloat(1)));
    EXPECT_FALSE(Dcontains(dict, *newint(2)));
    EXPECT_EQ(Dgetindex(dict, *newfloat(1)), value);
    EXPECT_EQ(raised([&] { Dgetindex(dict, *newstring("q")); }), moduleerror("Dict does not contain key: q"));
    Dsetindex(dict, newint(1), newstring("w"));
    EXPECT_EQ(dict.size(), 2u);
    EXPECT_EQ(Dgetindex(dict, *newint(1)), value);  // the first equal key in creation order
    Dsetindex(dict, one, newstring("x"));
    EXPECT_EQ(dict.size(), 2u);
}

TEST_F(ModuleApi, DuplicatesAndPointerTargets) {
    variable* list = newlist({newint(1)});
    variable* duplicate = Duplicatevar(vm, list);
    EXPECT_NE(duplicate, list);
    EXPECT_EQ(duplicate->listval(), list->listval());
    EXPECT_EQ(member(duplicate, "get"), member(list, "get"));  // both hold one method object
    variable* target = newint(3);
    EXPECT_EQ(&gettargetpntr(vm.getpointer(target)), target);
    EXPECT_EQ(raised([&] { gettargetpntr(newint(1)); }),
              moduleerror("Attempted to get pointer target even tho it is not defined."));
}

}  // namespace
