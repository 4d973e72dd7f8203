#include "lsp/features.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "lib/programroot.hpp"
#include "lsp/builtindocs.hpp"
#include "lsp/uri.hpp"
#include "support/scratch.hpp"

namespace {

const char* const program = R"(also stdcon
also shapes
count = 3
def add(a, b) {
    total = a+b
    return total
}
class point {
    def init(x, y) {
        self.x = x
    }
    def show() {
        print(str(self.x))
    }
}
p = point(1, 2)
p.show()
l = [count]
l.append(add(1, count))
print(str(area(2)))
)";

// The program in a folder of its own, beside the module it imports.
class Features : public testing::Test {
protected:
    void SetUp() override {
        folder = scratchfolder("features");
        std::ofstream(folder + "shapes.VKEX") << "def area(side) {\n    return side*side\n}\n";
        uri = documents.put(uriofpath(folder + "main.VKEX"), program, true).uri;
    }
    programfiles files() const { return programof(*documents.find(uri), documents); }

    std::string folder;
    std::string uri;
    documentstore documents;
};

json range(std::size_t line, std::size_t from, std::size_t to) {
    return rangejson({{line, from}, {line, to}});
}

TEST_F(Features, SymbolsAreTheFunctionsClassesWithTheirMethodsAndTopLevelNames) {
    json symbols = documentsymbols(files().files.front());
    std::vector<std::string> names;
    for (const json& each : symbols) names.push_back(each["name"]);
    EXPECT_EQ(names, (std::vector<std::string>{"count", "add", "point", "p", "l"}));
    const json& add = symbols[1];
    EXPECT_EQ(add["kind"], 12);
    EXPECT_EQ(add["detail"], "(a, b)");
    EXPECT_EQ(add["selectionRange"], range(3, 4, 7));
    EXPECT_EQ(add["range"], rangejson({{3, 0}, {6, 1}}));
    const json& point = symbols[2];
    EXPECT_EQ(point["kind"], 5);
    ASSERT_EQ(point["children"].size(), 2u);
    EXPECT_EQ(point["children"][0]["name"], "init");
    EXPECT_EQ(point["children"][0]["kind"], 6);
    EXPECT_EQ(symbols[0]["kind"], 13);
}

TEST_F(Features, ANameLeadsToItsDefinitionInTheDocumentOrItsModules) {
    programfiles program = files();
    std::string module = uriofpath(folder + "shapes.VKEX");
    struct expectation {
        lineposition at;
        std::string uri;  // empty: no definition
        json range;
    };
    const std::vector<expectation> cases = {
        {{18, 11}, uri, range(3, 4, 7)},       // add( in a call
        {{18, 17}, uri, range(2, 0, 5)},       // count, a variable's first assignment
        {{19, 12}, module, range(0, 4, 8)},    // area, in the module file
        {{4, 14}, uri, range(3, 11, 12)},      // b inside add: its parameter
        {{5, 14}, uri, range(4, 4, 9)},        // total: add's own name
        {{16, 3}, uri, range(11, 8, 12)},      // p.show: the method
        {{12, 23}, uri, range(9, 13, 14)},     // self.x: where the member is stored
        {{15, 6}, uri, range(7, 6, 11)},       // point(: the class
        {{19, 1}, "", nullptr},                // print: from a built-in module
        {{19, 7}, "", nullptr},                // str: built in
        {{18, 4}, "", nullptr},                // append: a built-in method
        {{2, 6}, "", nullptr},                 // =: no name
        {{40, 0}, "", nullptr},                // past the end
    };
    for (const expectation& c : cases) {
        SCOPED_TRACE(std::to_string(c.at.line) + ":" + std::to_string(c.at.character));
        json found = definitionat(program, c.at);
        if (c.uri.empty()) {
            EXPECT_TRUE(found.is_null()) << found;
            continue;
        }
        EXPECT_EQ(found["uri"], c.uri);
        EXPECT_EQ(found["range"], c.range);
    }
}

std::string hovertext(const programfiles& program, lineposition at) {
    json found = hoverat(program, at);
    return found.is_null() ? "" : found["contents"]["value"].get<std::string>();
}

TEST_F(Features, HoversShowParametersMethodsAndTheBuiltinsLine) {
    programfiles program = files();
    EXPECT_EQ(hovertext(program, {18, 10}), "```vesk\ndef add(a, b)\n```");
    EXPECT_EQ(hovertext(program, {15, 5}), "```vesk\nclass point\n    def init(x, y)\n    def show()\n```");
    EXPECT_EQ(hovertext(program, {19, 12}), "```vesk\ndef area(side)\n```");
    EXPECT_EQ(hovertext(program, {16, 4}), "```vesk\ndef show()\n```");
    EXPECT_NE(hovertext(program, {19, 7}).find("str(v)"), std::string::npos);
    EXPECT_NE(hovertext(program, {19, 1}).find("print(text)"), std::string::npos);
    std::string append = hovertext(program, {18, 4});
    EXPECT_NE(append.find("list.append(v)"), std::string::npos);
    std::string variable = hovertext(program, {18, 17});
    EXPECT_NE(variable.find("count = 3"), std::string::npos);
    EXPECT_NE(variable.find("line 3"), std::string::npos);
    EXPECT_EQ(hovertext(program, {2, 6}), "");
    json found = hoverat(program, {18, 10});
    EXPECT_EQ(found["range"], range(18, 9, 12));
}

// Each name a program finds on the program root from its start has its line, and so does each
// method: a hover never falls silent on a built-in.
TEST(BuiltinDocs, EveryBuiltinNameHasALine) {
    for (std::string_view name : programrootnames) {
        auto documented = std::find_if(rootdocs().begin(), rootdocs().end(), [&](const builtindoc& d) { return d.name == name; });
        EXPECT_NE(documented, rootdocs().end()) << name;
    }
    EXPECT_EQ(rootdocs().size(), programrootnames.size());
    for (std::string_view method : {"get", "set", "append", "contains", "find", "remove", "size", "keys", "values",
                                     "write", "read", "getline", "close", "exists", "isdir", "delete", "createdir",
                                     "listdir", "cd"}) {
        EXPECT_FALSE(methodsnamed(method).empty()) << method;
    }
    EXPECT_EQ(methodsnamed("get").size(), 4u);  // strings, lists, dictionaries, pointers
}

std::vector<std::string> labels(const json& items) {
    std::vector<std::string> out;
    for (const json& item : items) out.push_back(item["label"]);
    return out;
}

bool has(const std::vector<std::string>& all, const std::string& one) {
    return std::find(all.begin(), all.end(), one) != all.end();
}

TEST_F(Features, CompletionOffersTheNamesInScopeAndAfterADotTheMembers) {
    programfiles program = files();
    // Inside add: its own names, the program's, the module's, the built-ins, the keywords.
    std::vector<std::string> inside = labels(completionsat(program, {4, 12}));
    for (const char* name : {"a", "b", "total", "count", "add", "point", "p", "area", "str", "print", "sizeof", "while"})
        EXPECT_TRUE(has(inside, name)) << name;
    EXPECT_FALSE(has(inside, "x"));  // init's parameter
    EXPECT_FALSE(has(inside, "show"));
    std::vector<std::string> outside = labels(completionsat(program, {2, 0}));
    EXPECT_FALSE(has(outside, "total"));
    // After "p.": the methods and members the program stores, and the built-in methods.
    std::vector<std::string> members = labels(completionsat(program, {16, 2}));
    for (const char* name : {"show", "init", "x", "append", "size", "getline"}) EXPECT_TRUE(has(members, name)) << name;
    EXPECT_FALSE(has(members, "count"));
    EXPECT_EQ(std::count(members.begin(), members.end(), "get"), 1);
    // Without `also stdcon` its functions are not in scope.
    documents.put(uri, "x = 1\n", true);
    EXPECT_FALSE(has(labels(completionsat(files(), {0, 0})), "print"));
}

}  // namespace
