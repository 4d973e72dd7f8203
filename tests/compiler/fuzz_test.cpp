#include <random>

#include "compiler/tables.hpp"
#include "compiler/warnings.hpp"
#include "compilerun.hpp"

namespace {

// Any byte sequence must end in code, a compile error (1) or a splitter exit (51, 52, 54); reading it
// for warnings must return.
void expectorderlyend(const std::string& source) {
    compileresult result = compileprogram(source);
    bool orderly = result.status == -1 || result.status == 1 || result.status == 51 || result.status == 52 ||
                   result.status == 54;
    EXPECT_TRUE(orderly) << "status " << result.status << " for source: " << source;
    for (const compilewarning& warning : warnings(source, requestnamed("fuzz.VKEX")).warnings) {
        EXPECT_TRUE(warning.text.starts_with("fuzz.VKEX:")) << warning.text;
    }
}

const std::vector<std::string> seeds = {
    "x = 5\nif (x > 1) {\n    print(\"a b\")\n}\n",
    "def f(a, b) { return a+b }\nGprogroot.stdout.write(f(1, 2))\n",
    "class k {\n    def m(x) { @y = x[0].z(1)(2) }\n}\n$@ k { @q = [1,2,[]] }\n",
    "for (l) as e { while (e < 3) { e = (e+1) } }\nx[0] = &Gy.z\n",
    "a and b or not c xor 2.5 \\- \"q\\n\" %@G&w\n",
};

// Fragments that steer mutations toward the compiler's interesting corners.
const std::vector<std::string> pieces = {
    "(", ")", "[", "]", "{", "}", "\"", "'", "\\", "\n", " ", "\t", ".", ",", "=", "+", "-", "!=", " and ",
    " not ", "if", "while", "for", "def", "class", "$@", "also", "return", "G", "@", "&", "%", "9999999999",
    "1.5", "1.55", "\\(", "\xff", std::string(1, '\0'),
};

TEST(Fuzz, RandomBytesEndInAnOrderlyWay) {
    std::mt19937 random(4);
    for (int round = 0; round < 1500; ++round) {
        std::string source(random() % 64, '\0');
        for (char& c : source) c = static_cast<char>(random() % 256);
        expectorderlyend(source);
    }
}

TEST(Fuzz, MutatedProgramsEndInAnOrderlyWay) {
    std::mt19937 random(7);
    std::vector<std::string> corpus = seeds;
    corpus.push_back(builtinmodules.at("strings.VKEX"));
    for (int round = 0; round < 2500; ++round) {
        std::string source = corpus[random() % corpus.size()];
        int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits; ++e) {
            std::size_t at = source.empty() ? 0 : random() % source.size();
            switch (random() % 3) {
            case 0:
                source.insert(at, pieces[random() % pieces.size()]);
                break;
            case 1:
                source.erase(at, random() % 8);
                break;
            default:
                if (!source.empty()) source[at] = static_cast<char>(random() % 256);
            }
        }
        expectorderlyend(source);
    }
}

}  // namespace
