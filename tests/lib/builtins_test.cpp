#include "lib/builtins.hpp"

#include "vm/vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;

using Builtins = machinetest;

TEST_F(Builtins, Conversions) {
    // Calls a built-in as the machine does and returns what it pushed.
    auto call = [this](mfuncptr builtin, std::vector<variable*> values) {
        builtin(vm, nullptr, nativeargs(values, scope()));
        variable* result = vm.datastack.back();
        vm.datastack.pop_back();
        return result;
    };
    variable* text = call(builtin::asstr, {newfloat(2.5f)});
    EXPECT_EQ(text->stringval.view(), "2.500000");
    EXPECT_EQ(membernames(vm, *text), "get ");
    EXPECT_EQ(call(builtin::asint, {newstring("12abc")})->intval, 12);
    EXPECT_EQ(call(builtin::asfloat, {newstring("1.5")})->floatval, 1.5f);
    EXPECT_EQ(call(builtin::varconv, {newstring("BUILTIN_STRING"), newlist({newint(1)})})->stringval.view(), "[1]");
    EXPECT_EQ(raised([&] { call(builtin::varconv, {newstring("BUILTIN_LIST"), newint(1)}); }),
              moduleerror("Unsupported convert type: BUILTIN_LIST"));
    EXPECT_EQ(raised([&] { call(builtin::asint, {newlist()}); }), machineerror("Unsupported type: BUILTIN_LIST"));
}

}  // namespace
