#include "main/compilereport.hpp"

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> quips = {
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

const std::string& anyquip() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return quips[static_cast<std::size_t>(std::rand()) % quips.size()];
}

}  // namespace

void printcomplaints(const compileoutcome& result) {
    for (std::size_t i = 0; i < result.complaints.size(); ++i) std::cerr << "PARSER FAILURE" << std::endl;
}

void printcompilefailure(const compilefailure& failure, bool shortreports) {
    if (shortreports) {
        std::cerr << failure.shorterror();
        return;
    }
    std::cout << failure.plainout;
    std::cerr << failure.plainerror(anyquip());
}
