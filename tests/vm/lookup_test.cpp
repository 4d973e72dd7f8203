#include "vm/lookup.hpp"

#include "vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;
using namespace V4VM::lookup;

using Lookup = machinetest;

TEST_F(Lookup, EnteringAndLeavingObjects) {
    variable* list = newlist();
    gointo(vm, list);
    EXPECT_EQ(vm.callstack.back(), list);
    EXPECT_EQ(vm.databasestack.size(), 2u);
    EXPECT_TRUE(vm.databasestack.back().empty());
    goout(vm);
    EXPECT_EQ(vm.callstack.size(), 1u);
    EXPECT_EQ(vm.databasestack.size(), 1u);
}

TEST_F(Lookup, AttributesLocalsAndGlobals) {
    variable* list = newlist();
    EXPECT_EQ(getattribute(vm, list, vm.name("size")), member(list, "size"));
    EXPECT_EQ(raised([&] { getattribute(vm, list, vm.name("nope")); }),
              machineerror("Attempted to get attribute of class even tho it does not exist: nope"));
    // the program root's members come before the local scope's
    variable* local = newint(1);
    variable* root = newint(2);
    vm.currentscope().set(vm.name("stdout"), local);
    vm.currentscope().set(vm.name("only"), local);
    vm.setmember(*vm.progroot, vm.name("stdout"), root);
    EXPECT_EQ(getlocalvar(vm, vm.name("stdout")), root);
    EXPECT_EQ(getlocalvar(vm, vm.name("only")), local);
    EXPECT_EQ(findlocalvar(vm, vm.name("none")), nullptr);
    EXPECT_EQ(raised([&] { getlocalvar(vm, vm.name("none")); }), machineerror("Local variable not found: none"));
    EXPECT_EQ(getglobalvar(vm, vm.name("progroot")), vm.progroot);
    EXPECT_EQ(raised([&] { getglobalvar(vm, vm.name("none")); }), machineerror("Global variable not found: none"));
}

}  // namespace
