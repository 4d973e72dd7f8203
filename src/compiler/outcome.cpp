#include "compiler/outcome.hpp"

#include <sstream>

#include "common/positionreport.hpp"

std::string compilefailure::plainerror(std::string_view quip) const {
    if (kind != failurekind::compileerror && kind != failurekind::outofmemory) return "";
    return "COMPILER ERROR\n// " + std::string(quip) + "\nExperienced error during compilation:\n" + message + "\n";
}

std::string compilefailure::shorterror() const {
    std::ostringstream out;
    if (where.line == 0) {
        reportwithoutplace(out, message);
    } else {
        reportatline(out, where.file, where.line, linetext, message);
    }
    return out.str();
}
