#include "common/positionreport.hpp"

void reportatline(std::ostream& out, std::string_view file, std::uint32_t line, std::string_view linetext,
                  std::string_view message) {
    std::size_t indentation = linetext.find_first_not_of(" \t");
    linetext.remove_prefix(indentation == std::string_view::npos ? linetext.size() : indentation);
    out << file << ':' << std::dec << line << ": " << message << '\n' << "    " << linetext << std::endl;
}

void reportwithoutplace(std::ostream& out, std::string_view message) { out << "vesk: " << message << std::endl; }

void reportat(std::ostream& out, const sourcemap& positions, const sourceposition& position,
              std::string_view message) {
    if (!position.known()) {
        reportwithoutplace(out, message);
        return;
    }
    reportatline(out, positions.filename(position), position.line, positions.linetext(position), message);
}
