#include "compiler/packer.hpp"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "common/process.hpp"

std::vector<byte> code;
int asop = 0;
std::vector<pendingbody> tempcode;

namespace {

const std::vector<std::string> errormessages = {
    "What did you do again?",
    "Well that wasn't supposed to happen...",
    "I swear it wasn't my fault!",
    "Mist.",
    "Was it my fault?",
    "Stop doing that!",
    "Something ain't right...",
    "Full steam ahead!",
    "This message will come to haunt me, Tamsin Quell.",
    "GRRRRRRRR",
};

}  // namespace

void addcode(byte target) {
    if (asop > 0) {
        if (tempcode.empty() || tempcode.back().level < asop) tempcode.push_back({asop, {}});
        tempcode.back().bytes.push_back(target);
        return;
    }
    code.push_back(target);
}

void addcode(const std::vector<byte>& target) {
    for (byte b : target) addcode(b);
}

void compileint(int target) {
    auto pattern = static_cast<std::uint32_t>(target);
    addcode(static_cast<byte>(pattern >> 24));
    addcode(static_cast<byte>(pattern >> 16));
    addcode(static_cast<byte>(pattern >> 8));
    addcode(static_cast<byte>(pattern));
}

void compilefloat(float target) {
    compileint(static_cast<int>(std::trunc(target)));
    float tenfold = 10.0f * target;
    compileint(static_cast<int>(std::fmod(std::fabs(std::trunc(tenfold)), 10.0f)));
}

void compilestring(const std::string& target) {
    for (char c : target) addcode(static_cast<byte>(c));
    addcode(byte{0});
}

void negatebyteoperand() {
    int closing = asop;
    asop -= 1;
    std::vector<byte> body;
    if (!tempcode.empty() && tempcode.back().level == closing) {
        body = std::move(tempcode.back().bytes);
        tempcode.pop_back();
    }
    compileint(static_cast<int>(body.size()));
    addcode(body);
}

void error(const std::string& message) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    std::cerr << "COMPILER ERROR" << std::endl;
    std::cerr << "// " << errormessages[static_cast<std::size_t>(std::rand()) % errormessages.size()] << std::endl;
    std::cerr << "Experienced error during compilation:" << std::endl;
    std::cerr << message << std::endl;
    endprocess(1);
}

void resetpacker() {
    code.clear();
    tempcode.clear();
    asop = 0;
}
