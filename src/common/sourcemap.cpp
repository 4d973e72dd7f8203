#include "common/sourcemap.hpp"

#include <algorithm>

sourcemap::sourcemap(std::vector<sourcefile> files, std::vector<positionrun> runs, std::size_t length)
    : files(std::move(files)), runs(std::move(runs)), length(length) {}

sourceposition sourcemap::find(std::size_t offset) const {
    if (offset >= length) return {};
    auto after = std::upper_bound(runs.begin(), runs.end(), offset,
                                  [](std::size_t at, const positionrun& run) { return at < run.start; });
    if (after == runs.begin()) return {};
    const positionrun& run = *(after - 1);
    return {run.file, run.line};
}

bool sourcemap::startsstatement(std::size_t offset) const {
    auto run = std::lower_bound(runs.begin(), runs.end(), offset,
                                [](const positionrun& run, std::size_t at) { return run.start < at; });
    return run != runs.end() && run->start == offset && run->statement;
}

std::string_view sourcemap::filename(const sourceposition& position) const {
    if (!position.known() || position.file >= files.size()) return {};
    return files[position.file].name;
}

std::string_view sourcemap::linetext(const sourceposition& position) const {
    if (!position.known() || position.file >= files.size()) return {};
    return files[position.file].line(position.line);
}

std::string_view sourcefile::line(std::uint32_t number) const {
    if (number < firstline) return {};
    return lineoftext(text, number - firstline + 1);
}

std::string_view lineoftext(std::string_view text, std::uint32_t line) {
    std::size_t start = 0;
    for (std::uint32_t at = 1; at < line; ++at) {
        start = text.find('\n', start);
        if (start == std::string_view::npos) return {};
        start += 1;
    }
    std::string_view rest = text.substr(start);
    return rest.substr(0, rest.find('\n'));
}
