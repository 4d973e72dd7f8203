#include "vm/collector.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/sourcetext.hpp"
#include "compiler/compilerun.hpp"
#include "lib/io.hpp"
#include "support/runbinary.hpp"
#include "support/scratch.hpp"
#include "vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;
namespace fs = std::filesystem;

class Collector : public machinetest {
protected:
    bool alive(const variable* value) {
        bool found = false;
        vm.values.foreachvalue([&](const variable* held) { found = found || held == value; });
        return found;
    }
    std::size_t heapsize() { return vm.values.livecount(); }
    void collect() { vm.gc.collect(vm); }
    void collectifdue() {
        if (vm.values.collectiondue()) vm.gc.collectdue(vm);
    }
};

TEST_F(Collector, FreesWhatNoRootReachesThroughAnyKindOfReference) {
    variable* dropped = newint(1);
    variable* inlist = newint(2);
    variable* key = newstring("k");
    variable* value = newint(3);
    variable* target = newint(4);
    variable* receiver = newint(5);
    variable* list = newlist({inlist});
    variable* dict = newdict({{key, value}});
    variable* pointer = vm.getpointer(target);
    setmember(list, "dict", dict);
    setmember(list, "pointer", pointer);
    pointer->self = receiver;
    variable* method = member(dict, "keys");  // made when fetched, held by the dictionary alone
    vm.datastack.push_back(list);

    std::size_t before = heapsize();
    collect();
    EXPECT_FALSE(alive(dropped));
    for (variable* reached : {inlist, key, value, target, receiver, list, dict, pointer, method})
        EXPECT_TRUE(alive(reached));
    EXPECT_EQ(heapsize(), before - 1) << "only the dropped integer was freed";
    EXPECT_EQ(member(dict, "keys"), method);

    vm.datastack.clear();
    collect();
    EXPECT_EQ(heapsize(), 1u) << "left: the program root";
    EXPECT_TRUE(alive(vm.progroot));
}

TEST_F(Collector, EveryMachineStackIsARoot) {
    std::vector<variable*> values;
    for (int i = 0; i < 7; ++i) values.push_back(newint(i));
    vm.callstack.push_back(values[0]);
    vm.currentscope().set(vm.name("x"), values[1]);
    vm.lastdeldatabase.set(vm.name("y"), values[2]);
    vm.globalvars[vm.name("g").key()] = values[3];
    vm.calltrace.push_back(values[4]);
    vm.memory.push_back(values[5]);
    vm.savlvar = scope();
    vm.savlvar->set(vm.name("z"), values[6]);
    collect();
    for (variable* value : values) EXPECT_TRUE(alive(value));
}

TEST_F(Collector, WhatWaitsForABodyIsARootUntilItResumes) {
    continuation construct{continuation::kind::construct, 1, newint(1)};
    continuation loop{continuation::kind::forloop, 1};
    loop.block = newint(2);
    loop.names.set(vm.name("a"), newint(3));
    loop.collection = newlist();
    loop.elements = {newint(4)};
    vm.pending = {construct, loop};
    std::vector<variable*> waiting{construct.instance, loop.block, loop.names.find(vm.name("a")), loop.collection,
                                   loop.elements[0]};
    collect();
    for (variable* value : waiting) EXPECT_TRUE(alive(value));
    vm.pending.clear();
    collect();
    for (variable* value : waiting) EXPECT_FALSE(alive(value));
}

// Nesting far beyond what a recursive marker could follow on the sanitizer build's stack.
TEST_F(Collector, MarksDeepStructuresWithoutRecursion) {
    variable* outer = newlist();
    variable* inner = outer;
    for (int depth = 0; depth < 200000; ++depth) {
        variable* next = newlist();
        inner->listval().push_back(next);
        inner = next;
    }
    vm.datastack.push_back(outer);
    std::size_t before = heapsize();
    collect();
    EXPECT_EQ(heapsize(), before);
    EXPECT_TRUE(alive(inner));
    vm.datastack.clear();
    collect();
    EXPECT_FALSE(alive(inner));
}

TEST_F(Collector, DictionaryOrderOutlivesCollections) {
    variable* dict = newdict();
    vm.datastack.push_back(dict);
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 50; ++i) newint(i);  // garbage whose memory later keys may reuse
        dict->dictval()[newstring(std::to_string(round))] = newint(round);
        collect();
    }
    EXPECT_EQ(dict->getstring(false), "[\"0\": 0, \"1\": 1, \"2\": 2]");
}

TEST_F(Collector, CollectsYoungValuesOftenAndOldOnesOnceTheyHaveGrownByHalf) {
    vm.gc.setthreshold(10);
    std::vector<variable*> values;
    for (int i = 0; i < 299; ++i) values.push_back(newint(i));
    variable* list = newlist(values);
    vm.datastack.push_back(list);
    collect();
    ASSERT_EQ(heapsize(), 301u) << "the list, its elements and the program root, all old now";
    auto makegarbage = [this](int count) {
        for (int i = 0; i < count; ++i) newint(i);
        collectifdue();
    };
    makegarbage(9);
    EXPECT_EQ(heapsize(), 310u) << "not yet due";
    makegarbage(1);
    EXPECT_EQ(heapsize(), 301u);

    list->listval().resize(99);
    makegarbage(10);
    EXPECT_EQ(heapsize(), 301u) << "dead old values wait for a full collection";
    for (int i = 0; i < 151; ++i) {
        vm.gc.listchanged(*list, list->listval().size());
        list->listval().push_back(newint(i));
    }
    collectifdue();
    EXPECT_EQ(heapsize(), 452u) << "the new elements are old now: half as many as the last full collection left";
    makegarbage(10);
    EXPECT_EQ(heapsize(), 252u) << "full: the 200 dropped elements are freed";

    newstring(std::string(collector::minimumbytes, 'x'));
    collectifdue();
    EXPECT_EQ(heapsize(), 252u) << "one large string is due at once";
}

// Every way an old value comes to hold a young one goes through a write barrier, and a young
// collection then finds the young value through it.
TEST_F(Collector, YoungValuesHeldOnlyByOldOnesSurviveYoungCollections) {
    vm.gc.setthreshold(1);
    variable* list = newlist({newint(0), newint(1)});
    variable* dict = newdict();
    variable* object = newint(0);
    variable* function = newint(0);
    variable* target = newint(0);
    variable* owner = newlist();
    vm.datastack = {list, dict, object, function, target, owner};
    collect();

    variable* appended = newint(1);
    vm.gc.listchanged(*list, list->listval().size());
    list->listval().push_back(appended);
    variable* replaced = newint(2);
    vm.gc.listchanged(*list, 1);
    list->listval()[1] = replaced;
    variable* key = newstring("k");
    variable* entry = newint(3);
    vm.gc.changed(*dict);
    dict->dictval()[key] = entry;
    variable* attribute = newint(4);
    setmember(object, "a", attribute);
    variable* receiver = newint(5);
    vm.gc.changed(*function);
    function->self = receiver;
    variable* element = newint(6);
    vm.assign(*target, *newlist({element}));
    variable* method = member(owner, "size");  // held through the owner's note of methods
    variable* garbage = newint(7);

    vm.gc.collectdue(vm);
    EXPECT_FALSE(alive(garbage)) << "a young collection ran";
    for (variable* young : {appended, replaced, key, entry, attribute, receiver, element, method})
        EXPECT_TRUE(alive(young));
    EXPECT_EQ(list->getstring(false), "[0, 2, 1]");
    EXPECT_EQ(target->listval().at(0), element);
    EXPECT_EQ(member(owner, "size"), method);
}

// A method made through a note that one value alone holds lives and dies with that value; one made
// through a note two values share is found through either.
TEST_F(Collector, MethodsMadeOnYoungValuesLiveAsLongAsAHolderOfTheirNote) {
    vm.gc.setthreshold(1);
    collect();
    variable* dropped = newlist();
    variable* droppedmethod = member(dropped, "size");
    variable* kept = newlist();
    variable* keptmethod = member(kept, "append");
    variable* source = newlist();
    variable* sharer = newint(0);
    vm.assign(*sharer, *source);
    variable* sharedmethod = member(source, "size");
    vm.datastack = {kept, sharer};

    vm.gc.collectdue(vm);
    EXPECT_FALSE(alive(dropped));
    EXPECT_FALSE(alive(droppedmethod)) << "freed by the young collection that freed its owner";
    EXPECT_TRUE(alive(keptmethod));
    EXPECT_EQ(member(kept, "append"), keptmethod);
    EXPECT_EQ(member(sharer, "size"), sharedmethod);
    collect();
    EXPECT_EQ(member(kept, "append"), keptmethod);
    EXPECT_EQ(member(sharer, "size"), sharedmethod);
}

// Flushing is visible to the program (another file object may read the file), so a freed file object
// leaves its stream as it was; the end of the run closes it.
TEST_F(Collector, FreedFileObjectsLeaveTheirStreamOpenUntilTheRunEnds) {
    std::string path = scratchfolder("collector-orphan") + "orphan.txt";
    native::setlibrary(vm, std::make_unique<filetable>());
    variable* file = builtin::initfile(vm, "write");
    native::sethostdata(*file, files(vm).remember(filestream::forwriting(path)));
    streamof(*file).out->write("buffered", 8);
    collect();
    EXPECT_FALSE(alive(file));
    EXPECT_EQ(slurp(path), "");
    EXPECT_TRUE(vm.closefiles().empty());
    EXPECT_EQ(slurp(path), "buffered");
}

// A run of `program` as `vesk` makes it, in this process and in a fresh scratch folder holding it and the
// files it expects: compiled, then run by a machine that collects before every instruction or when due.
// Only what the machine prints is kept (a compile error prints a random quip, and no machine runs);
// `inspect` sees the machine as the run left it.
// How a machine is set up for a run beside the plain one.
enum class variant { plain, collecteverycycle, unfused };

runresult runinprocess(const fs::path& program, const fs::path& expectations, variant setup,
                       const std::function<void(machine&)>& inspect = {}) {
    std::string name = program.stem().string();
    fs::path folder = scratchfolder("collector-" + name);
    fs::copy(program, folder);
    if (fs::is_directory(expectations / (name + ".files")))
        fs::copy(expectations / (name + ".files"), folder, fs::copy_options::recursive);
    std::istringstream input(slurp((expectations / (name + ".in")).string()));
    std::streambuf* keyboard = std::cin.rdbuf(input.rdbuf());
    fs::path previous = fs::current_path();
    fs::current_path(folder);

    runresult result;
    compileresult compiled = compileprogram(readsource(program.filename().string()).text);
    result.status = compiled.status;
    if (compiled.status == -1) {
        machine vm;
        if (setup == variant::collecteverycycle) vm.gc.setthreshold(0);
        vm.fusing = setup != variant::unfused;
        // A program that runs until its step limit gets the limit here too.
        std::string options = slurp((expectations / (name + ".args")).string());
        std::size_t limit = options.find("--max-steps=");
        if (limit != std::string::npos) vm.settings.maxsteps = std::stoull(options.substr(limit + 12));
        vm.startmachine();
        openlibrary(vm);
        vm.loadprogram(compiled.code);
        output printed = capture([&] {
            V4VM::runoutcome outcome = vm.run();
            writeoutcome(outcome);
            result.status = writeclosefailures(outcome.status, vm.closefiles());
        });
        result.out = printed.out;
        result.err = printed.err;
        if (inspect) inspect(vm);
    }

    fs::current_path(previous);
    std::cin.rdbuf(keyboard);
    std::cin.clear();
    return result;
}

void expectsameoutput(const fs::path& program, const fs::path& expectations, variant setup) {
    runresult normal = runinprocess(program, expectations, variant::plain);
    runresult collected = runinprocess(program, expectations, setup);
    EXPECT_EQ(collected.status, normal.status) << program;
    EXPECT_EQ(collected.out, normal.out) << program;
    EXPECT_EQ(collected.err, normal.err) << program;
}

std::vector<fs::path> programsin(const fs::path& folder) {
    std::vector<fs::path> programs;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".VKEX") programs.push_back(entry.path());
    std::sort(programs.begin(), programs.end());
    return programs;
}

void expectsameoutputfortestedprograms(variant setup) {
    const fs::path root = VESK_SOURCE_DIR;
    for (const char* folder : {"tests/programs", "tests/guide"})
        for (const fs::path& program : programsin(root / folder)) expectsameoutput(program, root / folder, setup);
    for (const fs::path& program : programsin(root / "examples"))
        expectsameoutput(program, root / "tests/examples", setup);
}

TEST(CollectorPrograms, TestedProgramsPrintTheSameWhenCollectingAtEveryCycle) {
    expectsameoutputfortestedprograms(variant::collecteverycycle);
}

// Fused runs stand for their instructions: the same programs without them print the same.
TEST(CollectorPrograms, TestedProgramsPrintTheSameUnfused) { expectsameoutputfortestedprograms(variant::unfused); }

// Each of these frees, while a nested body runs, what only the running instruction still holds.
TEST(CollectorPrograms, ValuesHeldByRunningInstructionsSurvive) {
    const char* sources[] = {
        // the snapshot of a for loop's elements, and the collection itself, after the body drops them
        "also stdcon\ninner = [1,2]\nl = [\"a\",\"b\",\"c\"]\nl.append(inner)\ninner = 0\nfor (l) as e {\n"
        "    if (sizeof(l)>1) {\n        l.remove(1)\n    }\n    print(str(e))\n}\n",
        // a while loop's scope and block; an if inside it
        "also stdcon\ni = 0\ns = \"\"\nwhile (i<30) {\n    s = s+str(i)\n    if (i>25) {\n        print(s)\n"
        "    }\n    i = (i+1)\n}\n",
        // the instance a class call makes, while its init runs
        "also stdcon\nclass box {\n    def init(v) {\n        self.v = [v,v]\n"
        "        x = [1,2,3]\n    }\n    def show() {\n        print(str(self.v))\n    }\n}\n"
        "b = box(\"x\")\nb.show()\nbox(1).show()\n",
        // recursion through a function, deep enough for many collections in between
        "also stdcon\ndef depth(n) {\n    result = 0\n    if (n>0) {\n        result = depth(n-1)+1\n    }\n"
        "    return result\n}\nprint(str(depth(40)))\n",
    };
    fs::path folder = scratchfolder("collector-sources");
    int count = 0;
    for (const char* source : sources) {
        fs::path program = folder / ("held" + std::to_string(++count) + ".VKEX");
        std::ofstream(program) << source;
        expectsameoutput(program, folder, variant::collecteverycycle);
    }
}

TEST(CollectorPrograms, LongLoopsRunInBoundedMemory) {
    fs::path program = fs::path(scratchfolder("collector-loop-source")) / "loop.VKEX";
    std::ofstream(program) << "also stdcon\ni = 0\nwhile (i<30000) {\n    s = \"x\"+str(i)\n    i = (i+1)\n}\nprint(s)\n";
    runresult result = runinprocess(program, {}, variant::plain, [](machine& vm) {
        EXPECT_GT(vm.values.serials(), 10u * 30000u);
        EXPECT_LT(vm.values.livecount(), 3 * collector::defaultthreshold);
    });
    EXPECT_EQ(result.out, "x30000\n" + finished);
}

}  // namespace
