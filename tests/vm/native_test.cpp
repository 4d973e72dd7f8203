#include "vm/native.hpp"

#include "vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;
using namespace V4VM::native;

using Native = machinetest;

void nothing(machine&, variable*, const nativeargs&) {}

TEST_F(Native, FunctionValuesAndResults) {
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

TEST_F(Native, ArgumentsAndReceiver) {
    // the popped arguments first, then the scope the call started from
    scope base;
    variable* first = newlist();
    variable* second = newint(0);
    base.set(vm.name("arg0"), newint(0));
    base.set(vm.name("arg1"), second);
    std::vector<variable*> popped{first};
    nativeargs args(popped, base);
    EXPECT_EQ(getarg(vm, args, 0), first);
    EXPECT_EQ(getarg(vm, args, 1), second);
    EXPECT_EQ(raised([&] { getarg(vm, args, 2); }), moduleerror("No such arg: arg2"));
    EXPECT_EQ(&getreceiver(vm.progroot), vm.progroot);
    EXPECT_EQ(raised([&] { getreceiver(nullptr); }), moduleerror("Method called without an object."));
}

TEST_F(Native, ListElements) {
    variable* list = newlist({newint(1), newint(2), newint(3)});
    EXPECT_EQ(getelement(*list, 2), list->listval()[2]);
    EXPECT_EQ(raised([&] { getelement(*list, 5); }),
              moduleerror("Out of bounds. Tried getting index 5 at list with length of 3"));
    EXPECT_EQ(raised([&] { getelement(*list, -2147483647 - 1); }),
              moduleerror("Out of bounds. Tried getting index -2147483648 at list with length of 3"));
    variable* replacement = newint(9);
    setelement(vm, *list, 0, replacement);
    EXPECT_EQ(list->listval()[0], replacement);
    EXPECT_EQ(raised([&] { setelement(vm, *list, 3, replacement); }),
              moduleerror("Out of bounds. Tried setting index 3 at list with length of 3"));
    appendelement(vm, *list, replacement);
    eraseelement(vm, *list, 1);
    EXPECT_EQ(list->getstring(false), "[9, 3, 9]");
}

TEST_F(Native, DictionaryEntries) {
    variable* dict = newdict();
    variable* one = newint(1);
    setentry(vm, *dict, one, newstring("v"));
    setentry(vm, *dict, newint(1), newstring("w"));  // an equal key of another object is another entry
    EXPECT_EQ(dict->dictval().size(), 2u);
    setentry(vm, *dict, one, newstring("x"));
    EXPECT_EQ(dict->dictval().size(), 2u);
    EXPECT_EQ(dict->dictval().at(one)->stringval.view(), "x");
}

TEST_F(Native, DuplicatesAndPointerTargets) {
    variable* list = newlist({newint(1)});
    variable* copy = duplicate(vm, list);
    EXPECT_NE(copy, list);
    EXPECT_EQ(copy->listval(), list->listval());
    EXPECT_EQ(member(copy, "get"), member(list, "get"));  // both hold one method object
    variable* target = newint(3);
    EXPECT_EQ(&gettargetpntr(vm.getpointer(target)), target);
    EXPECT_EQ(raised([&] { gettargetpntr(newint(1)); }),
              moduleerror("Attempted to get pointer target even tho it is not defined."));
}

// What the library keeps in a value is shared by its copies, and reaches the release hook when the
// collector frees the last value holding it.
struct counted : hostdata {};

class keeper : public hostlibrary {
public:
    void release(std::shared_ptr<hostdata>& data) override { kept.push_back(std::move(data)); }
    std::vector<std::string> close() override { return {"closed " + std::to_string(kept.size())}; }
    std::vector<std::shared_ptr<hostdata>> kept;
};

TEST_F(Native, HostDataGoesToTheReleaseHook) {
    EXPECT_TRUE(vm.closefiles().empty());  // no library: nothing to close
    setlibrary(vm, std::make_unique<keeper>());
    auto data = std::make_shared<counted>();
    variable* holder = native::newobject(vm);
    EXPECT_EQ(gethostdata(*holder), nullptr);
    sethostdata(*holder, data);
    variable* copy = vm.getcopy(holder);
    EXPECT_EQ(gethostdata(*copy), data.get());
    data.reset();
    vm.gc.collect(vm);
    EXPECT_EQ(static_cast<keeper*>(library(vm))->kept.size(), 2u);
    EXPECT_EQ(vm.closefiles(), std::vector<std::string>{"closed 2"});
}

}  // namespace
