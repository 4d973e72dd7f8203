#include "common/interrupts.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "support/liverun.hpp"
#include "support/runbinary.hpp"

namespace {

// Writes its file, says it is ready and loops until stopped.
const std::string looping =
    "also stdcon\n"
    "f = open(\"out.txt\",\"write\")\n"
    "f.write(\"kept\")\n"
    "print(\"ready\")\n"
    "stdout.close()\n"
    "i = 0\n"
    "while (1) {\n"
    "    i = (i+1)\n"
    "}\n";

// The short report of the machine error, at a line of the program or of the module it called.
bool reportsinterruptedrun(const std::string& err) {
    std::size_t message = err.find(": Interrupted.\n");
    return message != std::string::npos && err.find(".VKEX:") < message && err.find("within module") == std::string::npos;
}

TEST(Interrupts, EachSignalEndsTheRunWithItsStatusAndKeepsTheFiles) {
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        liverun run(looping, {"-q"});
        ASSERT_TRUE(run.awaitoutput("ready")) << number;
        run.signal(number);
        EXPECT_EQ(run.finish(), 128 + number);
        EXPECT_EQ(run.out, "ready\n");
        EXPECT_TRUE(reportsinterruptedrun(run.err)) << run.err;
        EXPECT_EQ(slurp(run.folder + "out.txt"), "kept") << number;
    }
}

TEST(Interrupts, AWriteRefusedAsTheFilesCloseIsReportedAndTheStatusStays) {
    std::string source = looping;
    source.replace(source.find("out.txt"), 7, "/dev/full");
    liverun run(source, {"-q"});
    ASSERT_TRUE(run.awaitoutput("ready"));
    run.signal(SIGINT);
    EXPECT_EQ(run.finish(), 130);
    EXPECT_TRUE(reportsinterruptedrun(run.err)) << run.err;
    EXPECT_TRUE(run.err.ends_with("\nvesk: write failed for /dev/full: No space left on device\n")) << run.err;
}

TEST(Interrupts, APlainRunReportsTheInterruptAsAnyMachineError) {
    liverun run(looping, {});
    ASSERT_TRUE(run.awaitoutput("ready"));
    run.signal(SIGTERM);
    EXPECT_EQ(run.finish(), 143);
    EXPECT_TRUE(run.out.ends_with("execution loop...\nready\n")) << run.out;
    EXPECT_TRUE(run.err.starts_with("VESK 4 VM error: Interrupted.\nCodestack: \n")) << run.err;
    EXPECT_EQ(slurp(run.folder + "out.txt"), "kept");
}

TEST(Interrupts, CtrlCStopsAShellCommandAndThenTheRun) {
    liverun run("also stdcon\nstatus = system(\"sleep 5\")\nprint(\"after\")\n", {"-q"});
    ASSERT_TRUE(run.awaitcommand("sleep"));
    run.signalgroup(SIGINT);
    EXPECT_EQ(run.finish(), 130);
    EXPECT_LT(run.secondssincestart(), 4.0);  // the command did not sleep its time out
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "program.VKEX:2: Interrupted.\n    status = system(\"sleep 5\")\n");
}

TEST(Interrupts, CtrlCEndsAReadWaitingForInput) {
    liverun run("also stdcon\nprint(\"ready\")\nstdout.close()\nline = input(\"\")\nprint(\"read: \" + line)\n", {"-q"});
    ASSERT_TRUE(run.awaitoutput("ready"));
    run.write("half a line");  // the input stays open: the read waits for the rest
    run.signalgroup(SIGINT);
    EXPECT_EQ(run.finish(), 130);
    EXPECT_EQ(run.out, "ready\n");
    EXPECT_TRUE(reportsinterruptedrun(run.err)) << run.err;
}

TEST(Interrupts, ASecondSignalWhileTheFirstIsReportedEndsTheProcessAtOnce) {
    // The report dumps the program's code, here far more than a pipe holds: unread, it stays stuck.
    std::string source = looping + "s = \"" + std::string(200000, 'x') + "\"\n";
    liverun run(source, {});
    ASSERT_TRUE(run.awaitoutput("ready"));
    run.signal(SIGINT);
    ASSERT_TRUE(run.awaiterror("VESK 4 VM error: Interrupted.\n"));
    run.signal(SIGTERM);
    EXPECT_EQ(run.finish(), 143);
}

TEST(Interrupts, BeforeTheMachineRunsASignalKillsAsUsual) {
    // The source is read from the input, which stays open: the read waits.
    liverun run("", {}, "/dev/stdin");
    ASSERT_TRUE(run.awaitoutput("reading file..."));
    run.signal(SIGTERM);
    EXPECT_EQ(run.finish(), -1);
}

}  // namespace
