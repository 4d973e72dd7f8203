#include "compiler/compile.hpp"

#include <new>

#include "compiler/compilation.hpp"
#include "compiler/compileerror.hpp"
#include "compiler/statements.hpp"
#include "compiler/warnings.hpp"

namespace {

failurekind splitterkind(int status) {
    if (status == 51) return failurekind::unclosedgrouping;
    if (status == 52) return failurekind::unopenedbrace;
    return failurekind::unopenedparenthesis;
}

textplace placeof(const compilation& c, textorigin where, std::size_t column) {
    if (where.line == 0 || where.file >= c.files.size()) return {};
    textplace place{c.files[where.file].name, where.line, std::nullopt};
    if (column != std::string_view::npos) place.column = column;
    return place;
}

compilefailure failureat(const compilation& c, failurekind kind, int status, std::string message, textorigin where,
                         std::size_t column) {
    compilefailure failure{kind, status, std::move(message), placeof(c, where, column), "", ""};
    if (failure.where.line != 0) failure.linetext = c.files[where.file].line(where.line);
    return failure;
}

// A compile error belongs to the statement being compiled.
compilefailure placederror(const compilation& c, std::string message) {
    textorigin where{c.out.position.file, c.out.position.line};
    std::size_t column = c.statementtext ? columnof(c.filetext(where), c.statementtext) : std::string_view::npos;
    return failureat(c, failurekind::compileerror, 1, std::move(message), where, column);
}

void placecomplaints(const compilation& c, compileoutcome& result) {
    for (const placedcomplaint& complaint : c.complaints) {
        result.complaints.push_back({placeof(c, complaint.where, complaint.column)});
    }
}

}  // namespace

compileoutcome compile(std::string source, const compilerequest& request) {
    compileoutcome result;
    if (request.warnings) {
        warningsfound found = warnings(source, request);
        result.warnings = std::move(found.warnings);
        result.assigned = std::move(found.assigned);
    }
    compilation c(request.modules);
    try {
        textorigin origin{c.addfile(request.name, std::move(source)), request.firstline};
        c.files[origin.file].firstline = request.firstline;
        compileprogram(c, origin);
        placecomplaints(c, result);
        std::size_t length = c.out.bytes().size();
        std::vector<sourcefile> files(std::make_move_iterator(c.files.begin()), std::make_move_iterator(c.files.end()));
        result.positions = sourcemap(std::move(files), c.out.takeruns(), length);
        result.bytes = c.out.takebytes();
        result.oneexpression = c.toplevelstatements == 1 && c.toplevelexpressions == 1;
    } catch (const compileerror& error) {
        placecomplaints(c, result);
        result.failure = placederror(c, error.message);
    } catch (const splitfailure& split) {
        placecomplaints(c, result);
        result.failure = failureat(c, splitterkind(split.status), split.status, split.message, split.where, split.column);
        result.failure->plainout = split.usual;
    } catch (const std::bad_alloc&) {
        // What the failed step held is freed by now; the report needs little, and has no place.
        result.complaints.clear();
        placecomplaints(c, result);
        result.failure = failureat(c, failurekind::outofmemory, 1, "Out of memory.", {}, std::string_view::npos);
    }
    return result;
}
