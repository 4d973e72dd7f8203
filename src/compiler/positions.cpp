#include "compiler/positions.hpp"

#include <algorithm>

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
