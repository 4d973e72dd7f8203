#include "lsp/warningspan.hpp"

#include <gtest/gtest.h>

namespace {

struct spancase {
    std::string line;
    std::size_t column;
    std::string message;
    std::string covered;   // the text the range covers
    std::string rewrite;   // the edit's new text; empty for none
    std::string replaced;  // the text the edit replaces
};

TEST(WarningSpan, QuotationGivesTheRangeAndTheRewriteItsText) {
    const std::vector<spancase> cases = {
        // The column is a token after the quoted text's start: the quotation is found where it begins.
        {"total = count + 1", 6,
         "'total = count + 1' is not an assignment (an assignment is exactly three tokens): the line compiles as "
         "the expression 'total' and ignores the rest; write 'total = count+1'",
         "total = count + 1", "total = count+1", "total = count + 1"},
        {"if (count > 2) {", 4,
         "'(count > 2)' reads a variable named 'count ' and a variable named ' 2': blanks outside string literals "
         "belong to the operands; write '(count>2)'",
         "(count > 2)", "(count>2)", "(count > 2)"},
        // Blanks between tokens are one in the quotation, and a tab is shown as \t.
        {"x = (a +\tb)", 4,
         "'(a +\\tb)' reads a variable named 'a ' and a variable named '\\tb': blanks outside string literals belong "
         "to the operands; write '(a+b)'",
         "(a +\tb)", "(a+b)", "(a +\tb)"},
        {"    return x   + y", 4, "'return x + y' returns 'x' and ignores '+ y'; write 'return x+y'", "return x   + y",
         "return x+y", "return x   + y"},
        // A block shows as {...}: the rewrite replaces the statement's head and keeps the block.
        {"if a > 1 {", 0,
         "'if a > 1 {...}' does not have the form 'if (condition) {block}': it takes 'a' as the condition and '>' "
         "as the block and ignores the rest; write 'if (a>1) {...}'",
         "if a > 1 {", "if (a>1) ", "if a > 1 "},
        {"} else {", 2,
         "'else {...}' after the 'if' statement is ignored; there is no 'else': write a second 'if' with the "
         "opposite condition",
         "else {", "", ""},
        // A rewrite that is not the message's last quotation after "write" is no rewrite.
        {"print(str(totl))", 10,
         "'totl' is read but assigned nowhere in the program or its modules: reading it stops the run with \"Local "
         "variable not found: totl\"; did you mean 'total'?",
         "totl", "", ""},
        {"x=5", 0,
         "'x=5' is read but assigned nowhere in the program or its modules: reading it stops the run with \"Local "
         "variable not found: x=5\"; 'x=5' is one token; to assign, write 'x = 5'",
         "x=5", "x = 5", "x=5"},
        // A long text cut short covers the rest of the line, and cannot be rewritten from its quotation.
        {"sum = aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa + b  ", 0,
         "'sum = aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...' is not an assignment; write 'sum = (a...'",
         "sum = aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa + b", "", ""},
        // A message that quotes a piece of the text, not the text it starts at.
        {"print(\"(\")", 6,
         "the statement splitter counts the '(' inside '\"(\"' as a bracket, so a bracket or quote stays open at the "
         "end of the line",
         "\"(\"", "", ""},
        // Nothing quoted matches: the token at the column.
        {"also strings", 0, "the functions of the strings module stop the run with a machine error", "also", "", ""},
        {"", 0, "'x' is read but assigned nowhere", "", "", ""},
    };
    for (const spancase& c : cases) {
        warningextent extent = extentofwarning(c.line, c.column, c.message);
        std::string_view line = c.line;
        std::size_t start = line.find(c.covered);
        ASSERT_NE(start, std::string::npos) << c.line;
        SCOPED_TRACE(c.message);
        EXPECT_EQ(extent.start, start);
        EXPECT_EQ(line.substr(extent.start, extent.length), c.covered);
        if (c.rewrite.empty()) {
            EXPECT_FALSE(extent.rewrite);
        } else {
            ASSERT_TRUE(extent.rewrite);
            EXPECT_EQ(extent.rewrite->text, c.rewrite);
            EXPECT_EQ(line.substr(extent.rewrite->column, extent.rewrite->length), c.replaced);
        }
    }
}

}  // namespace
