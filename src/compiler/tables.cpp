#include "compiler/tables.hpp"

const std::vector<std::string> operators = {
    "+", "-", "*", "/", "==", "!=", ">=", "<=", ">", "<", "not", "and", "or", "xor",
};

const std::vector<std::string> wordoperators = {"not", "and", "or", "xor"};

const std::vector<std::string> pathdelimiters = {".", "[", "("};

const std::vector<std::string> statements = {
    "$@", "if", "while", "for", "def", "also", "return", "class",
};

const std::map<std::string, std::string> groupingpairs = {
    {"(", ")"},
    {"[", "]"},
    {"{", "}"},
    {"\"", "\""},
};

namespace {

// The \n inside the quotes stays two characters here; the scanner turns it into a line end when the
// module is compiled.
const char* const stdcontext = R"(
def print(string) {
    Gprogroot.stdout.write(string+"\n")
}
def input(string) {
    Gprogroot.stdout.write(string)
    return Gprogroot.stdin.getline()
}
)";

// The blank after the last "moduleroot" belongs to the text.
const char* const stringstext = R"(
class moduleroot {
    def getcharlist(target) {
        out = []
        x = 0
        while (x < sizeof(target)) {
            out.append(target[x])
            x = (x+1)
        }
        return out
    }
    def split(target, seperator) {
        out = []
        temp = ""
        for (self.getcharlist(target)) as char {
            if (char==seperator) {
                out.append(temp)
                temp = ""
            }
            if (char!=seperator) {
                temp = temp + char
            }
        }
        out.append(temp)
        return out
    }
}
Gprogroot.strings = moduleroot )"
                                 "\n";

}  // namespace

const std::map<std::string, std::string> builtinmodules = {
    {"stdcon.VKEX", stdcontext},
    {"strings.VKEX", stringstext},
};
