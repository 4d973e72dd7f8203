#include "vm/collector.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "main/driver.hpp"
#include "support/runbinary.hpp"
#include "support/scratch.hpp"
#include "vm/files.hpp"
#include "vm/state.hpp"
#include "machine.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;
namespace fs = std::filesystem;

bool alive(const variable* value) {
    const auto& heap = heapvalues();
    return std::any_of(heap.begin(), heap.end(), [&](const auto& held) { return held.get() == value; });
}

class Collector : public testing::Test {
protected:
    void SetUp() override { freshmachine(); }
    void TearDown() override {
        setcollectionthreshold(defaultcollectionthreshold);
        resetmachine();
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
    variable* dict = getallocvar(vtype::builtin_dict);
    dict->dictval[key] = value;
    variable* pointer = target->getpointer();
    list->attributes["dict"] = dict;
    list->attributes["pointer"] = pointer;
    pointer->self = receiver;
    datastack.push_back(list);

    collectgarbage();
    EXPECT_FALSE(alive(dropped));
    for (variable* reached : {inlist, key, value, target, receiver, list, dict, pointer}) EXPECT_TRUE(alive(reached));
    EXPECT_EQ(allocatedcount(), heapvalues().size() + 1) << "only the dropped integer was freed";

    datastack.clear();
    collectgarbage();
    EXPECT_TRUE(heapvalues().size() < 10u) << "left: the program root and nothing of the list";
    EXPECT_TRUE(alive(progroot));
}

TEST_F(Collector, EveryMachineStackIsARoot) {
    std::vector<variable*> values;
    for (int i = 0; i < 7; ++i) values.push_back(newint(i));
    callstack.push_back(values[0]);
    databasestack.back().set("x", values[1]);
    lastdeldatabase.set("y", values[2]);
    globalvars["g"] = values[3];
    calltrace.push_back(values[4]);
    memory.push_back(values[5]);
    savlvar = scope();
    savlvar->set("z", values[6]);
    collectgarbage();
    for (variable* value : values) EXPECT_TRUE(alive(value));
}

TEST_F(Collector, KeepaliveGuardsHoldTheirValuesUntilTheyEnd) {
    variable* single = newint(1);
    scope names;
    names.set("a", newint(2));
    std::vector<variable*> elements{newint(3)};
    {
        keepalive keepsingle(single);
        keepalive keepnames(names);
        keepalive keepelements(elements);
        collectgarbage();
        EXPECT_TRUE(alive(single));
        EXPECT_TRUE(alive(names.find("a")));
        EXPECT_TRUE(alive(elements[0]));
    }
    collectgarbage();
    EXPECT_FALSE(alive(single));
    EXPECT_FALSE(alive(elements[0]));
}

// Nesting far beyond what a recursive marker could follow on the sanitizer build's stack.
TEST_F(Collector, MarksDeepStructuresWithoutRecursion) {
    variable* outer = newlist();
    variable* inner = outer;
    for (int depth = 0; depth < 200000; ++depth) {
        variable* next = newlist();
        inner->listval.push_back(next);
        inner = next;
    }
    datastack.push_back(outer);
    std::size_t before = heapvalues().size();
    collectgarbage();
    EXPECT_EQ(heapvalues().size(), before);
    EXPECT_TRUE(alive(inner));
    datastack.clear();
    collectgarbage();
    EXPECT_FALSE(alive(inner));
}

TEST_F(Collector, DictionaryOrderOutlivesCollections) {
    variable* dict = getallocvar(vtype::builtin_dict);
    dict->identifier = vtype::builtin_dict;
    datastack.push_back(dict);
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 50; ++i) newint(i);  // garbage whose memory later keys may reuse
        dict->dictval[newstring(std::to_string(round))] = newint(round);
        collectgarbage();
    }
    EXPECT_EQ(dict->getstring(false), "[\"0\": 0, \"1\": 1, \"2\": 2]");
}

TEST_F(Collector, ThresholdGrowsWithTheLiveValues) {
    setcollectionthreshold(10);
    collectgarbage();
    ASSERT_EQ(heapvalues().size(), 1u) << "the program root";
    auto makegarbage = [](int count) {
        for (int i = 0; i < count; ++i) newint(i);
        collectifdue();
    };
    makegarbage(9);
    EXPECT_EQ(heapvalues().size(), 10u) << "not yet due";
    makegarbage(1);
    EXPECT_EQ(heapvalues().size(), 1u);

    std::vector<variable*> kept;
    for (int i = 0; i < 40; ++i) kept.push_back(newint(i));
    keepalive keep(kept);
    collectifdue();
    ASSERT_EQ(heapvalues().size(), 41u);
    makegarbage(40);
    EXPECT_EQ(heapvalues().size(), 81u) << "due only after as many values as are live";
    makegarbage(1);
    EXPECT_EQ(heapvalues().size(), 41u);
}

// Flushing is visible to the program (another file object may read the file), so a freed file object
// leaves its stream as it was; the end of the run closes it.
TEST_F(Collector, FreedFileObjectsLeaveTheirStreamOpenUntilTheRunEnds) {
    std::string path = scratchfolder("collector-orphan") + "orphan.txt";
    variable* file = builtin::initfile("write");
    file->moduleparams["file"] = filestream::forwriting(path);
    file->moduleparams["file"]->out->write("buffered", 8);
    collectgarbage();
    EXPECT_FALSE(alive(file));
    EXPECT_EQ(slurp(path), "");
    closeallfiles();
    EXPECT_EQ(slurp(path), "buffered");
}

// A whole run of `program` in a fresh scratch folder holding it and the files it expects; `inspect` sees
// the machine as the run left it.
runresult runprogram(const fs::path& program, const fs::path& files, const std::function<void()>& inspect = {}) {
    fs::path folder = scratchfolder("collector-" + program.stem().string());
    fs::copy(program, folder);
    if (fs::is_directory(files)) fs::copy(files, folder, fs::copy_options::recursive);
    fs::path previous = fs::current_path();
    fs::current_path(folder);
    std::string name = program.filename().string();
    const char* argv[] = {"vesk", name.c_str()};
    runresult result = capture([&] { runvesk(2, argv); });
    fs::current_path(previous);
    if (inspect) inspect();
    V4VM::resetmachine();
    return result;
}

void expectsameoutputwhencollectingateverycycle(const fs::path& program, const fs::path& expectations) {
    if (fs::exists(expectations / (program.stem().string() + ".in"))) return;  // needs standard input
    fs::path files = expectations / (program.stem().string() + ".files");
    setcollectionthreshold(static_cast<std::size_t>(-1));
    runresult plain = runprogram(program, files);
    setcollectionthreshold(0);
    runresult collected = runprogram(program, files);
    setcollectionthreshold(defaultcollectionthreshold);
    EXPECT_EQ(collected.status, plain.status) << program;
    EXPECT_EQ(collected.out, plain.out) << program;
    EXPECT_EQ(collected.err, plain.err) << program;
}

std::vector<fs::path> programsin(const fs::path& folder) {
    std::vector<fs::path> programs;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".VKEX") programs.push_back(entry.path());
    std::sort(programs.begin(), programs.end());
    return programs;
}

TEST(CollectorPrograms, TestedProgramsPrintTheSameWhenCollectingAtEveryCycle) {
    const fs::path root = VESK_SOURCE_DIR;
    for (const char* folder : {"tests/programs", "tests/guide"})
        for (const fs::path& program : programsin(root / folder)) expectsameoutputwhencollectingateverycycle(program, root / folder);
    for (const fs::path& program : programsin(root / "examples"))
        expectsameoutputwhencollectingateverycycle(program, root / "tests/examples");
}

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
        expectsameoutputwhencollectingateverycycle(program, folder);
    }
}

TEST(CollectorPrograms, LongLoopsRunInBoundedMemory) {
    fs::path program = fs::path(scratchfolder("collector-loop-source")) / "loop.VKEX";
    std::ofstream(program) << "also stdcon\ni = 0\nwhile (i<30000) {\n    s = \"x\"+str(i)\n    i = (i+1)\n}\nprint(s)\n";
    runresult result = runprogram(program, {}, [] {
        EXPECT_GT(allocatedcount(), 20u * 30000u);
        EXPECT_LT(heapvalues().size(), 3 * defaultcollectionthreshold);
    });
    EXPECT_NE(result.out.find("\nx30000\n"), std::string::npos) << result.out;
}

}  // namespace
