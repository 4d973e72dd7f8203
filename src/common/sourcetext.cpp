#include "common/sourcetext.hpp"

#include <fstream>

std::string readsource(const std::string& path) {
    std::string source;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        source += line;
        source += '\n';
    }
    return source;
}
