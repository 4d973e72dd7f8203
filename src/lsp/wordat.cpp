#include "lsp/wordat.hpp"

#include <algorithm>
#include <cctype>

namespace {

bool isnamechar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

wordat named(std::string_view line, std::size_t start, std::size_t end) {
    bool member = start > 0 && (line[start - 1] == '.' || line[start - 1] == '@');
    return {std::string(line.substr(start, end - start)), member, start};
}

}  // namespace

std::optional<wordat> wordunder(std::string_view line, std::size_t column) {
    column = std::min(column, line.size());
    if ((column == line.size() || !isnamechar(line[column])) && column > 0 && isnamechar(line[column - 1])) column -= 1;
    if (column >= line.size() || !isnamechar(line[column])) return std::nullopt;
    std::size_t start = column;
    while (start > 0 && isnamechar(line[start - 1])) start -= 1;
    std::size_t end = column;
    while (end < line.size() && isnamechar(line[end])) end += 1;
    return named(line, start, end);
}

wordat wordbefore(std::string_view line, std::size_t column) {
    column = std::min(column, line.size());
    std::size_t start = column;
    while (start > 0 && isnamechar(line[start - 1])) start -= 1;
    return named(line, start, column);
}
