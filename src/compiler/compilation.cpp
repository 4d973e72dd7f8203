#include "compiler/compilation.hpp"

#include <algorithm>
#include <functional>

std::uint32_t compilation::addfile(std::string name, std::string text) {
    auto same = std::find_if(files.begin(), files.end(),
                             [&](const sourcefile& file) { return file.name == name && file.text == text; });
    if (same != files.end()) return static_cast<std::uint32_t>(same - files.begin());
    files.push_back({std::move(name), std::move(text)});
    return static_cast<std::uint32_t>(files.size() - 1);
}

std::string_view compilation::filetext(textorigin origin) const {
    if (origin.line == 0 || origin.file >= files.size()) return {};
    return files[origin.file].text;
}

std::size_t columnof(std::string_view filetext, const char* at) {
    // Compared as addresses of one text; std::less orders any two pointers.
    std::less<const char*> before;
    const char* begin = filetext.data();
    if (before(at, begin) || before(begin + filetext.size(), at)) return std::string_view::npos;
    std::size_t offset = static_cast<std::size_t>(at - begin);
    std::size_t linestart = filetext.rfind('\n', offset == 0 ? 0 : offset - 1);
    if (offset == 0 || linestart == std::string_view::npos) return offset;
    return offset - linestart - 1;
}
