// The interactive mode as a user meets it: at a terminal (through a pseudo-terminal, with line editing
// on) and with its entries piped in. The scripted sessions are whole-program tests (tests/programs,
// interactive_*).
#include <gtest/gtest.h>

#include "main/terminal.hpp"
#include "support/runbinary.hpp"
#include "support/scratch.hpp"

namespace {

// What the test saw, for the message of a wait that failed.
std::string transcript(const terminal& session) { return "the terminal showed:\n" + session.seen(); }

TEST(Interactive, EntriesAtATerminalKeepTheirStateAcrossAnError) {
    std::string home = scratchfolder("interactive-terminal");
    terminal session({"-i"}, home, home);
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("x = 40\n");
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("(x+2)\n");
    ASSERT_TRUE(session.waitforprompt("\n42\n> ")) << transcript(session);
    // A definition over three lines, the later ones prompted as a continuation.
    session.type("def twice(n) {\n");
    ASSERT_TRUE(session.waitforprompt("... ")) << transcript(session);
    session.type("    return (n*2)\n");
    ASSERT_TRUE(session.waitforprompt("... ")) << transcript(session);
    session.type("}\n");
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("twice(x)\n");
    ASSERT_TRUE(session.waitforprompt("\n80\n> ")) << transcript(session);
    session.type("y = missing\n");
    ASSERT_TRUE(session.waitforprompt("<stdin>:7: Local variable not found: missing\n    y = missing\n> "))
        << transcript(session);
    session.type("twice(x)\n");
    ASSERT_TRUE(session.waitforprompt("\n80\n> ")) << transcript(session);
    session.type("\x04");  // Ctrl-D
    EXPECT_EQ(session.exitstatus(), 1) << transcript(session);
    std::string history = slurp(home + "/.vesk_history");
    EXPECT_NE(history.find("twice(x)"), std::string::npos) << history;
}

TEST(Interactive, EndOfInputInsideAnEntryEndsTheSessionWithoutRunningIt) {
    std::string folder = scratchfolder("interactive-unfinished");
    // No home: no history, and the session runs all the same.
    terminal session({"-i"}, folder, "");
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("also stdcon\n");
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("if (1) {\n");
    ASSERT_TRUE(session.waitforprompt("... ")) << transcript(session);
    session.type("print(\"never\")\n");
    ASSERT_TRUE(session.waitforprompt("... ")) << transcript(session);
    session.type("\x04");
    EXPECT_EQ(session.exitstatus(), 0) << transcript(session);
    EXPECT_EQ(session.seen().find("never\n"), std::string::npos) << transcript(session);
}

// The program's own prompt is a text the entries do not show, so that the answer is typed only once the
// program waits for it.
TEST(Interactive, TheProgramReadsTheTerminalBetweenEntries) {
    std::string home = scratchfolder("interactive-input");
    terminal session({"-i"}, home, home);
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("also stdcon\n");
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("question = \"name? \"\n");
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("name = input(question)\n");
    ASSERT_TRUE(session.waitfor("name? ")) << transcript(session);
    session.type("bob\n");
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("name\n");
    ASSERT_TRUE(session.waitforprompt("\"bob\"\n> ")) << transcript(session);
    // The line the program read is the session's fourth.
    session.type("nothere\n");
    ASSERT_TRUE(session.waitfor("<stdin>:6: Local variable not found: nothere\n")) << transcript(session);
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("\x04");
    EXPECT_EQ(session.exitstatus(), 1) << transcript(session);
}

TEST(Interactive, CtrlCStopsTheEntryThatRunsAndDropsTheLineBeingTyped) {
    std::string home = scratchfolder("interactive-interrupt");
    terminal session({"-i"}, home, home);
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("also stdcon\n");
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("def spin() {\n");
    ASSERT_TRUE(session.waitforprompt("... ")) << transcript(session);
    session.type("print(\"spinning\")\n");
    ASSERT_TRUE(session.waitforprompt("... ")) << transcript(session);
    session.type("Gprogroot.stdout.close()\n");  // flushes what it printed
    ASSERT_TRUE(session.waitforprompt("... ")) << transcript(session);
    session.type("while (1) {\n");
    ASSERT_TRUE(session.waitforprompt("... ")) << transcript(session);
    session.type("}\n");
    ASSERT_TRUE(session.waitforprompt("... ")) << transcript(session);
    session.type("}\n");
    ASSERT_TRUE(session.waitforprompt("> ")) << transcript(session);
    session.type("spin()\n");
    ASSERT_TRUE(session.waitfor("spinning\n")) << transcript(session);
    session.interrupt();
    ASSERT_TRUE(session.waitfor(": Interrupted.\n")) << transcript(session);
    ASSERT_TRUE(session.waitforprompt("    <stdin>:8 spin\n> ")) << transcript(session);
    // Half a line, dropped: the next line is an entry of its own.
    session.type("nothing");
    ASSERT_TRUE(session.waitfor("nothing")) << transcript(session);
    session.interrupt();
    ASSERT_TRUE(session.waitforprompt("\n> ")) << transcript(session);
    session.type("7\n");
    ASSERT_TRUE(session.waitforprompt("\n7\n> ")) << transcript(session);
    session.type("\x04");
    EXPECT_EQ(session.exitstatus(), 1) << transcript(session);
}

TEST(Interactive, CommandLine) {
    binaryrun listing = runwitharguments(" -i -l");
    EXPECT_EQ(listing.status, 1);
    EXPECT_EQ(firstline(listing.err), "vesk: -l cannot be used with -i");
    binaryrun twofiles = runwitharguments(" -i a.VKEX b.VKEX");
    EXPECT_EQ(firstline(twofiles.err), "vesk: more than one FILE given");
    EXPECT_NE(runwitharguments(" --help").out.find("  -i, --interactive\n"), std::string::npos);
    // Without a terminal there is no prompt; an unreadable FILE ends the session before it starts.
    binaryrun piped = runwitharguments(" -i", "1\n");
    EXPECT_EQ(piped.out, "1\n");
    EXPECT_EQ(piped.status, 0);
    binaryrun missing = runwitharguments(" -i missing.VKEX", "1\n");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "vesk: Cannot read source file: missing.VKEX: No such file or directory\n");
}

}  // namespace
