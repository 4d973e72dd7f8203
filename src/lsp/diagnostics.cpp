#include "lsp/diagnostics.hpp"

#include <memory>
#include <set>
#include <tuple>

#include "common/process.hpp"
#include "common/sourcetext.hpp"
#include "compiler/compile.hpp"
#include "lsp/modules.hpp"
#include "lsp/warningspan.hpp"

namespace {

// A file the compilation read, as the diagnostics place text in it.
struct placedfile {
    std::string uri;
    textlines lines;
};

// Where each file name that a compilation reports stands, and its lines.
class fileplaces {
public:
    fileplaces(const std::string& name, const document& doc, const modulesread& modules) {
        files.emplace(name, placedfile{doc.uri, textlines(doc.text)});
        for (const auto& [filename, module] : modules) files.emplace(filename, placedfile{module.uri, textlines(module.text)});
    }
    // The file of a report; the document's own for a report without a file it knows.
    const placedfile& of(const textplace& where) const {
        auto found = files.find(where.file);
        return found == files.end() ? files.begin()->second : found->second;
    }

private:
    std::map<std::string, placedfile> files;
};

std::size_t lineindex(const textplace& where) { return where.line == 0 ? 0 : where.line - 1; }

std::size_t firstnonblank(std::string_view line) {
    std::size_t at = line.find_first_not_of(" \t");
    return at == std::string_view::npos ? 0 : at;
}

// From `column` to the end of the line, trailing blanks left out.
linerange restofline(const textlines& lines, std::size_t index, std::size_t column) {
    std::string_view line = lines.line(index);
    std::size_t end = line.find_last_not_of(" \t");
    end = end == std::string_view::npos ? 0 : end + 1;
    return lines.span(index, column, end > column ? end - column : 0);
}

std::string warningmessage(const compilewarning& warning) {
    std::string prefix = warning.where.file + ":" + std::to_string(warning.where.line) + ": warning: ";
    return warning.text.starts_with(prefix) ? warning.text.substr(prefix.size()) : warning.text;
}

void addwarning(diagnosedfiles& out, const fileplaces& files, const compilewarning& warning) {
    const placedfile& file = files.of(warning.where);
    std::size_t index = lineindex(warning.where);
    std::string_view line = file.lines.line(index);
    std::size_t column = warning.where.column.value_or(firstnonblank(line));
    std::string message = warningmessage(warning);
    warningextent extent = extentofwarning(line, column, message);
    diagnostic found{file.lines.span(index, extent.start, extent.length), severity::warning, std::move(message), std::nullopt};
    if (extent.rewrite) {
        found.range = file.lines.span(index, extent.rewrite->column, extent.rewrite->length);
        found.rewrite = extent.rewrite->text;
    }
    out[file.uri].push_back(std::move(found));
}

void addfailure(diagnosedfiles& out, const fileplaces& files, const compilefailure& failure) {
    const placedfile& file = files.of(failure.where);
    std::size_t index = lineindex(failure.where);
    linerange range;
    if (!failure.where.column) {
        range = restofline(file.lines, index, firstnonblank(file.lines.line(index)));
    } else if (failure.kind == failurekind::compileerror) {
        // The column is where the statement begins: the error is the statement's.
        range = restofline(file.lines, index, *failure.where.column);
    } else {
        range = file.lines.span(index, *failure.where.column, 1);  // the bracket or quote itself
    }
    out[file.uri].push_back({range, severity::error, failure.message, std::nullopt});
}

void addcomplaint(diagnosedfiles& out, const fileplaces& files, const splittercomplaint& complaint) {
    const placedfile& file = files.of(complaint.where);
    std::size_t index = lineindex(complaint.where);
    linerange range = complaint.where.column ? file.lines.span(index, *complaint.where.column, 1)
                                             : restofline(file.lines, index, firstnonblank(file.lines.line(index)));
    out[file.uri].push_back({range, severity::error,
                             "']' closes nothing: the statement splitter prints PARSER FAILURE and loses count of "
                             "the brackets for the rest of the block",
                             std::nullopt});
}

// The splitter complains once for every time it splits the block around a stray ']', and one text
// may be warned about in a module imported twice: the editor shows each once.
void droprepeats(std::vector<diagnostic>& found) {
    std::set<std::tuple<std::size_t, std::size_t, std::string>> seen;
    std::vector<diagnostic> kept;
    for (diagnostic& candidate : found) {
        if (seen.emplace(candidate.range.start.line, candidate.range.start.character, candidate.message).second)
            kept.push_back(std::move(candidate));
    }
    found = std::move(kept);
}

diagnosedfiles refused(const document& doc, std::string message) {
    diagnosedfiles out;
    out[doc.uri].push_back({{}, severity::error, std::move(message), std::nullopt});
    return out;
}

}  // namespace

diagnosedfiles diagnose(const document& doc, const documentstore& documents) {
    if (doc.text.size() > largestdocument) return refused(doc, "The document is larger than 16 MiB and is not compiled.");
    if (!doc.validtext) return refused(doc, "The document is not valid UTF-8 and is not compiled.");
    auto modules = std::make_shared<modulesread>();
    compilerequest request;
    request.name = doc.path.value_or(doc.uri);
    request.warnings = true;
    request.modules = documentmodules(documents, folderof(doc), modules);
    std::string source = doc.text;
    endlines(source);
    compileoutcome compiled;
    // The compiler recurses as deep as the text nests.
    runonlargestack([&] { compiled = compile(std::move(source), request); });

    fileplaces files(request.name, doc, *modules);
    diagnosedfiles out;
    out[doc.uri];
    for (const compilewarning& warning : compiled.warnings) addwarning(out, files, warning);
    for (const splittercomplaint& complaint : compiled.complaints) addcomplaint(out, files, complaint);
    if (compiled.failure) addfailure(out, files, *compiled.failure);
    for (auto& [uri, found] : out) droprepeats(found);
    return out;
}
