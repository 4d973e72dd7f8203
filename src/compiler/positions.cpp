#include "compiler/positions.hpp"

#include <algorithm>

std::deque<sourcefile> compiledfiles;
emitposition currentposition;

std::uint32_t addcompiledfile(std::string name, std::string text) {
    auto same = std::find_if(compiledfiles.begin(), compiledfiles.end(),
                             [&](const sourcefile& file) { return file.name == name && file.text == text; });
    if (same != compiledfiles.end()) return static_cast<std::uint32_t>(same - compiledfiles.begin());
    compiledfiles.push_back({std::move(name), std::move(text)});
    return static_cast<std::uint32_t>(compiledfiles.size() - 1);
}

void beginstatement(textorigin where) { currentposition = {where.file, where.line, true}; }

std::string_view currentlinetext() {
    if (currentposition.line == 0 || currentposition.file >= compiledfiles.size()) return {};
    return lineoftext(compiledfiles[currentposition.file].text, currentposition.line);
}

textorigin linecounter::at(std::size_t offset) {
    if (origin.line == 0) return origin;
    offset = std::min(offset, text.size());
    if (offset > counted) {
        origin.line += static_cast<std::uint32_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                                                             text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
        counted = offset;
    }
    return origin;
}

void resetpositions() {
    compiledfiles.clear();
    currentposition = {};
}
