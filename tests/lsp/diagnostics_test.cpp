#include "lsp/diagnostics.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/sourcetext.hpp"
#include "compiler/compile.hpp"
#include "lsp/uri.hpp"
#include "support/runbinary.hpp"
#include "support/scratch.hpp"

namespace fs = std::filesystem;

namespace {

const fs::path sourceroot = VESK_SOURCE_DIR;

document opened(documentstore& documents, const std::string& path, std::string text) {
    return documents.put(uriofpath(path), std::move(text), true);
}

std::string covered(const std::string& text, const diagnostic& found) {
    textlines lines(text);
    std::string_view line = lines.line(found.range.start.line);
    std::size_t from = byteoffset(line, found.range.start.character);
    std::size_t to = byteoffset(line, found.range.end.character);
    return std::string(line.substr(from, to - from));
}

void writefile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

TEST(Diagnostics, TheGuidesWarningsStandAtTheTextTheyQuote) {
    std::string path = (sourceroot / "tests/guide/warnings.VKEX").string();
    documentstore documents;
    document doc = opened(documents, path, slurp(path));
    diagnosedfiles found = diagnose(doc, documents);
    ASSERT_EQ(found.size(), 1u);
    const std::vector<diagnostic>& shown = found.at(doc.uri);
    ASSERT_EQ(shown.size(), 4u);
    const std::vector<std::pair<std::size_t, std::string>> expected = {
        {2, "total = count + 1"}, {3, "(count > 2)"}, {5, "else {"}, {8, "totl"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(shown[i].range.start.line, expected[i].first);
        EXPECT_EQ(covered(doc.text, shown[i]), expected[i].second);
        EXPECT_EQ(shown[i].level, severity::warning);
    }
    EXPECT_TRUE(shown[0].message.starts_with("'total = count + 1' is not an assignment"));
    EXPECT_EQ(shown[0].rewrite, "total = count+1");
    EXPECT_EQ(shown[1].rewrite, "(count>2)");
    EXPECT_FALSE(shown[2].rewrite);
    EXPECT_FALSE(shown[3].rewrite);
}

// Every warning of the tested programs, module files included, is one diagnostic in the file it is
// about; one whose message opens with a quotation covers the text quoted.
TEST(Diagnostics, EveryWarningOfTheTestedProgramsIsPlacedOnItsText) {
    std::size_t checked = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(sourceroot / "tests/programs")) {
        if (entry.path().extension() != ".VKEX" || !entry.path().filename().string().starts_with("warn_")) continue;
        std::string name = entry.path().stem().string();
        std::string folder = scratchfolder("diagnostics-" + name);
        fs::path files = entry.path().parent_path() / (name + ".files");
        if (fs::is_directory(files)) fs::copy(files, folder, fs::copy_options::recursive);
        std::string path = folder + name + ".VKEX";
        fs::copy_file(entry.path(), path);
        SCOPED_TRACE(name);

        documentstore documents;
        document doc = opened(documents, path, slurp(path));
        diagnosedfiles found = diagnose(doc, documents);
        compilerequest request;
        request.name = path;
        request.warnings = true;
        request.modules = [&](const std::string& filename) {
            moduletext module = builtinthenworkingdirectory(filename);
            if (module.builtin) return module;
            sourceread file = readsource(folder + filename);
            return moduletext{file.text, file.failure, false};
        };
        std::string text = doc.text;
        endlines(text);
        compileoutcome compiled = compile(text, request);

        std::size_t warnings = 0;
        for (const auto& [uri, shown] : found) {
            std::string shownpath = *pathofuri(uri);
            for (const diagnostic& each : shown) {
                if (each.level != severity::warning) continue;
                warnings += 1;
                if (!each.message.starts_with('\'')) continue;
                std::string quoted = each.message.substr(1, each.message.find('\'', 1) - 1);
                std::string text = covered(slurp(shownpath), each);
                std::string head = quoted.substr(0, std::min<std::size_t>(3, quoted.size()));
                EXPECT_TRUE(text.starts_with(head)) << each.message << " covers " << text;
                checked += 1;
            }
        }
        EXPECT_EQ(warnings, compiled.warnings.size());
    }
    EXPECT_GT(checked, 20u);
}

TEST(Diagnostics, ACompileErrorCoversItsStatementAndASplitterFailureItsBracket) {
    documentstore documents;
    document error = opened(documents, "/nowhere/error.VKEX", "x = 1\n  if (1)  \n");
    std::vector<diagnostic> shown = diagnose(error, documents).at(error.uri);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].level, severity::error);
    EXPECT_EQ(shown[0].message, "Incomplete if statement.");
    EXPECT_EQ(shown[0].range.start.line, 1u);
    EXPECT_EQ(covered(error.text, shown[0]), "if (1)");

    document unclosed = opened(documents, "/nowhere/unclosed.VKEX", "also stdcon\nnumbers = [1, 2,\n3, 4\n");
    shown = diagnose(unclosed, documents).at(unclosed.uri);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, "'[' is never closed.");
    EXPECT_EQ(shown[0].range.start.line, 1u);
    EXPECT_EQ(covered(unclosed.text, shown[0]), "[");

    // A stray ']' is complained about once however often its block is split.
    document stray = opened(documents, "/nowhere/stray.VKEX", "if (1) {\n    x = 1]\n}\n");
    shown = diagnose(stray, documents).at(stray.uri);
    auto complaint = std::find_if(shown.begin(), shown.end(),
                                  [](const diagnostic& d) { return d.message.find("PARSER FAILURE") != std::string::npos; });
    ASSERT_NE(complaint, shown.end());
    EXPECT_EQ(complaint->level, severity::error);
    EXPECT_EQ(covered(stray.text, *complaint), "]");
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(),
                            [](const diagnostic& d) { return d.message.find("PARSER FAILURE") != std::string::npos; }),
              1);
}

TEST(Diagnostics, AModulesWarningsArePublishedUnderItsOwnFileAndAnOpenModuleIsReadFromItsBuffer) {
    std::string folder = scratchfolder("diagnostics-modules");
    writefile(folder + "shapes.VKEX", "def area(side) {\n    return side * side\n}\n");
    documentstore documents;
    document main = opened(documents, folder + "main.VKEX", "also shapes\nx = area(2)\n");
    diagnosedfiles found = diagnose(main, documents);
    std::string module = uriofpath(folder + "shapes.VKEX");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_TRUE(found.at(main.uri).empty());
    ASSERT_EQ(found.at(module).size(), 1u);
    EXPECT_EQ(found.at(module)[0].range.start.line, 1u);
    EXPECT_EQ(found.at(module)[0].rewrite, "return side*side");

    // The buffer the editor holds wins over the file on disk; an error inside it is the module's.
    opened(documents, folder + "shapes.VKEX", "def area(side) {\n    return side*side\n}\nif (1)\n");
    found = diagnose(main, documents);
    ASSERT_EQ(found.at(module).size(), 1u);
    EXPECT_EQ(found.at(module)[0].message, "Incomplete if statement.");
    EXPECT_EQ(found.at(module)[0].range.start.line, 3u);

    // A module in neither the document's folder nor the working directory is the compile error it is.
    document lost = opened(documents, folder + "lost.VKEX", "also nosuchmodule\n");
    found = diagnose(lost, documents);
    ASSERT_EQ(found.at(lost.uri).size(), 1u);
    EXPECT_EQ(found.at(lost.uri)[0].message, "Module not found: nosuchmodule");
}

TEST(Diagnostics, ColumnsAreCountedInUtf16CodeUnits) {
    documentstore documents;
    // \u00e9 is one unit in two bytes, U+1F600 two units in four bytes.
    document doc = opened(documents, "/nowhere/wide.VKEX", "also stdcon\nprint(\"\u00e9\U0001F600\"+str(totl))\n");
    std::vector<diagnostic> shown = diagnose(doc, documents).at(doc.uri);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].range.start.line, 1u);
    EXPECT_EQ(shown[0].range.start.character, 16u);
    EXPECT_EQ(shown[0].range.end.character, 20u);
    EXPECT_EQ(covered(doc.text, shown[0]), "totl");
}

TEST(Diagnostics, ADocumentTooLargeOrNotUtf8GetsOneDiagnosticAndIsNotCompiled) {
    documentstore documents;
    document large = documents.put("file:///nowhere/large.VKEX", std::string(largestdocument + 1, 'x'), true);
    std::vector<diagnostic> shown = diagnose(large, documents).at(large.uri);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].message.find("16 MiB") != std::string::npos);
    document invalid = documents.put("file:///nowhere/invalid.VKEX", "if (1)\n", false);
    shown = diagnose(invalid, documents).at(invalid.uri);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].message.find("UTF-8") != std::string::npos);
    EXPECT_EQ(shown[0].level, severity::error);
}

}  // namespace
