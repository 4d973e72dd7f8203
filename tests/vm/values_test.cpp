#include "vm/values.hpp"

#include <cmath>

#include "vm/moduleapi.hpp"
#include "vm/natives.hpp"
#include "machine.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;

variable* newdict(std::vector<std::pair<variable*, variable*>> entries) {
    variable* dict = getallocvar(vtype::builtin_dict);
    dict->identifier = vtype::builtin_dict;
    for (auto [key, value] : entries) dict->dictval[key] = value;
    return dict;
}

variable* newobject() {
    variable* object = getallocvar();
    object->identifier = vtype::custom_class;
    return object;
}

// The first line of the report of an error raised by `work`.
std::string failure(const std::function<void()>& work) { return headline(capture(work)); }

class Values : public testing::Test {
protected:
    void SetUp() override { freshmachine(); }
    void TearDown() override { resetmachine(); }
};

TEST_F(Values, FreshValuesAndTypeTexts) {
    variable* fresh = getallocvar();
    EXPECT_EQ(typetext(fresh->identifier), "");
    EXPECT_EQ(fresh->getstring(false), "None");
    EXPECT_EQ(fresh->name, "Unnamed Variable");
    EXPECT_TRUE(fresh->attributes.empty());
    EXPECT_EQ(typetext(vtype::builtin_module), "BUILTIN_MODULE");
    EXPECT_EQ(getallocvar(vtype::builtin_list)->attributes.size(), 7u);
    EXPECT_EQ(getallocvar(vtype::builtin_dict)->attributes.size(), 6u);
    EXPECT_EQ(getallocvar(vtype::builtin_pntr)->attributes.size(), 2u);
    EXPECT_EQ(getallocvar(vtype::builtin_string)->attributes.size(), 1u);
    EXPECT_EQ(getallocvar(vtype::builtin_class)->attributes.size(), 0u);
    EXPECT_LT(fresh->serial, getallocvar()->serial);
    std::size_t made = allocatedcount();
    EXPECT_GT(made, 6u);
    resetmachine();
    EXPECT_EQ(allocatedcount(), 0u);
}

TEST_F(Values, IntegerReadings) {
    EXPECT_EQ(newfloat(2.9f)->getint(), 2);
    EXPECT_EQ(newfloat(-2.9f)->getint(), -2);
    EXPECT_EQ(newstring(" 42x")->getint(), 42);
    EXPECT_EQ(newstring("\t-7")->getint(), -7);
    EXPECT_EQ(newstring("+2147483647")->getint(), 2147483647);
    EXPECT_EQ(newstring("-2147483648")->getint(), -2147483647 - 1);
    EXPECT_EQ(newfloat(-2147483648.0f)->getint(), -2147483647 - 1);
    EXPECT_EQ(failure([] { newstring("x1")->getint(); }), machineerror("Not a number: x1"));
    EXPECT_EQ(failure([] { newstring("")->getint(); }), machineerror("Not a number: "));
    EXPECT_EQ(failure([] { newstring("2147483648")->getint(); }), machineerror("Number out of range: 2147483648"));
    EXPECT_EQ(failure([] { newstring("-99999999999999999999")->getint(); }),
              machineerror("Number out of range: -99999999999999999999"));
    EXPECT_EQ(failure([] { newfloat(2147483648.0f)->getint(); }),
              machineerror("Number out of range: 2147483648.000000"));
    EXPECT_EQ(failure([] { newfloat(std::numeric_limits<float>::infinity())->getint(); }),
              machineerror("Number out of range: inf"));
    EXPECT_EQ(failure([] { newfloat(-std::numeric_limits<float>::infinity())->getint(); }),
              machineerror("Number out of range: -inf"));
    EXPECT_EQ(failure([] { newfloat(std::numeric_limits<float>::quiet_NaN())->getint(); }),
              machineerror("Number out of range: nan"));
    EXPECT_EQ(failure([] { newlist()->getint(); }), machineerror("Unsupported type: BUILTIN_LIST"));
    EXPECT_EQ(failure([] { getallocvar()->getint(); }), machineerror("Unsupported type: "));
}

TEST_F(Values, FloatReadings) {
    EXPECT_EQ(newint(3)->getfloat(), 3.0f);
    EXPECT_EQ(newstring(" 2.5abc")->getfloat(), 2.5f);
    EXPECT_EQ(newstring("1e3")->getfloat(), 1000.0f);
    EXPECT_TRUE(std::isinf(newstring("inf")->getfloat()));
    EXPECT_EQ(newstring("1e-60")->getfloat(), 0.0f);  // underflow keeps the conversion's result
    EXPECT_EQ(failure([] { newstring("abc")->getfloat(); }), machineerror("Not a number: abc"));
    EXPECT_EQ(failure([] { newstring("1e60")->getfloat(); }), machineerror("Number out of range: 1e60"));
    EXPECT_EQ(failure([] { getallocvar(vtype::builtin_dict)->getfloat(); }), machineerror("Unsupported type: "));
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
    EXPECT_EQ(newint(1)->getpointer()->getstring(false), "None");
}

TEST_F(Values, SelfContainingStructuresPrintTheirInnerOccurrence) {
    variable* list = newlist({newint(1)});
    list->listval.push_back(list);
    EXPECT_EQ(list->getstring(false), "[1, [...]]");
    variable* dict = newdict({});
    dict->dictval[newstring("me")] = dict;
    dict->dictval[newstring("l")] = list;
    EXPECT_EQ(dict->getstring(false), "[\"me\": [...], \"l\": [1, [...]]]");
    variable* shared = newlist({newint(2)});
    EXPECT_EQ(newlist({shared, shared})->getstring(false), "[[2], [2]]");
}

TEST_F(Values, NestingIsBounded) {
    runonlargestack([] {
        variable* deep = newlist();
        for (int level = 1; level < maxnesting; ++level) deep = newlist({deep});
        EXPECT_EQ(deep->getstring(false).size(), 2u * maxnesting);
        variable* deeper = newlist({deep});
        EXPECT_EQ(failure([&] { deeper->getstring(false); }), machineerror("Nesting too deep."));
        variable* dict = newdict({});
        for (int level = 0; level <= maxnesting; ++level) dict = newdict({{newint(level), dict}});
        EXPECT_EQ(failure([&] { dict->getcopy(); }), machineerror("Nesting too deep."));
    });
}

TEST_F(Values, DictionariesAreOrderedByCreation) {
    variable* first = newstring("b");
    variable* second = newstring("a");
    variable* dict = newdict({{second, newint(2)}, {first, newint(1)}});
    EXPECT_EQ(dict->getstring(false), "[\"b\": 1, \"a\": 2]");
}

TEST_F(Values, FetchingCopiesValueKindsOnly) {
    for (variable* value : {newint(1), newfloat(1), newstring("s"), newint(1)->getpointer()}) {
        variable* fetched = value->getvar();
        EXPECT_NE(fetched, value);
        EXPECT_TRUE(*fetched == *value);
    }
    for (variable* value : {newlist(), newdict({}), newobject(), getnativefunc(nullptr)})
        EXPECT_EQ(value->getvar(), value);
    variable* target = newint(1);
    variable* pointer = target->getpointer();
    EXPECT_EQ(pointer->pntrval, target);
    EXPECT_NE(target->getpointer(), pointer);
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
    variable* f = getallocvar();
    f->identifier = vtype::custom_func;
    variable* g = getallocvar();
    *g = *f;
    g->funccode = std::make_shared<const std::vector<byte>>();
    EXPECT_TRUE(*f == *g);
    g->funccode = std::make_shared<const std::vector<byte>>(bytes{1});
    EXPECT_FALSE(*f == *g);
}

TEST_F(Values, AssignmentOverwritesAllButTheMark) {
    variable* target = newlist();
    target->alreadycopied = true;
    variable* source = newstring("s");
    source->name = "src";
    std::uint64_t serial = target->serial;
    *target = *source;
    EXPECT_EQ(target->identifier, vtype::builtin_string);
    EXPECT_EQ(target->name, "src");
    EXPECT_EQ(target->attributes, source->attributes);
    EXPECT_TRUE(target->alreadycopied);
    EXPECT_EQ(target->serial, serial);
    variable copied(*target);
    EXPECT_TRUE(copied.alreadycopied);
}

TEST_F(Values, CopiesFollowTheMarkingAlgorithm) {
    variable* dict = newdict({{newstring("k"), newint(1)}, {newstring("j"), newint(2)}});
    variable* dictcopy = dict->getcopy();
    ASSERT_EQ(dictcopy->dictval.size(), 2u);
    for (auto [key, value] : dictcopy->dictval) {
        EXPECT_EQ(dict->dictval.count(key), 0u);
        for (auto [sourcekey, sourcevalue] : dict->dictval) EXPECT_NE(value, sourcevalue);
    }
    EXPECT_EQ(dictcopy->getstring(false), "[\"k\": 1, \"j\": 2]");
    EXPECT_NE(dictcopy->attributes.at("get"), dict->attributes.at("get"));

    variable* element = newint(5);
    variable* list = newlist({element});
    EXPECT_EQ(list->getcopy()->listval, std::vector<variable*>{element});

    // two members holding the same object: the first is copied, the second shared
    variable* object = newobject();
    variable* shared = newint(7);
    object->attributes["a"] = shared;
    object->attributes["b"] = shared;
    variable* objectcopy = object->getcopy();
    EXPECT_NE(objectcopy->attributes.at("a"), shared);
    EXPECT_EQ(objectcopy->attributes.at("b"), shared);
    EXPECT_FALSE(shared->alreadycopied);
}

TEST_F(Values, CopyCyclesEnd) {
    // a method whose receiver holds the method
    variable* object = newobject();
    variable* method = getallocvar();
    method->identifier = vtype::custom_func;
    method->self = object;
    object->attributes["m"] = method;
    variable* methodcopy = method->getcopy();
    EXPECT_NE(methodcopy->self, object);
    EXPECT_EQ(methodcopy->self->attributes.at("m"), method);
    // two objects holding each other as members
    variable* a = newobject();
    variable* b = newobject();
    a->attributes["other"] = b;
    b->attributes["other"] = a;
    variable* acopy = a->getcopy();
    EXPECT_NE(acopy->attributes.at("other"), b);
    EXPECT_EQ(acopy->attributes.at("other")->attributes.at("other"), a);
    // an object holding itself
    variable* me = newobject();
    me->attributes["me"] = me;
    EXPECT_EQ(me->getcopy()->attributes.at("me"), me);
    // a dictionary holding itself
    variable* dict = newdict({});
    dict->dictval[newstring("d")] = dict;
    EXPECT_EQ(dict->getcopy()->dictval.size(), 1u);
    for (variable* value : {object, method, a, b, me, dict}) EXPECT_FALSE(value->alreadycopied);
}

}  // namespace
