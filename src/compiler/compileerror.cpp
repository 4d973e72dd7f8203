#include "compiler/compileerror.hpp"

#include <cstdlib>
#include <ctime>
#include <iostream>

#include "common/positionreport.hpp"
#include "common/process.hpp"

namespace {

bool shortreports = false;

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

void reportshort(const std::string& message, textorigin where) {
    if (where.line == 0 || where.file >= compiledfiles.size()) {
        reportwithoutplace(std::cerr, message);
        return;
    }
    const sourcefile& file = compiledfiles[where.file];
    reportatline(std::cerr, file.name, where.line, lineoftext(file.text, where.line), message);
}

}  // namespace

void setshortcompilereports(bool enabled) { shortreports = enabled; }

void error(const std::string& message) {
    if (shortreports) {
        reportshort(message, {currentposition.file, currentposition.line});
        endprocess(1);
    }
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    std::cerr << "COMPILER ERROR" << std::endl;
    std::cerr << "// " << errormessages[static_cast<std::size_t>(std::rand()) % errormessages.size()] << std::endl;
    std::cerr << "Experienced error during compilation:" << std::endl;
    std::cerr << message << std::endl;
    endprocess(1);
}

void splitterfailure(int status, const std::string& usual, const std::string& message, textorigin where) {
    if (shortreports) {
        reportshort(message, where);
    } else {
        std::cout << usual;
    }
    endprocess(status);
}
