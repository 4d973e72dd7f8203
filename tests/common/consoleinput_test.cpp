#include "common/consoleinput.hpp"

#include <pthread.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <istream>
#include <string>
#include <thread>

#include "common/interrupts.hpp"

namespace {

TEST(ConsoleInput, ASignalEndsAWaitingReadAndTheNextReadWaitsAgain) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    descriptorinput buffer(ends[0]);
    std::istream in(&buffer);
    catchinterrupts();
    pthread_t reader = pthread_self();
    // Whether it comes while the read waits or just before, the read ends.
    std::thread interrupter([reader] {
        ::usleep(20000);
        pthread_kill(reader, SIGINT);
    });
    std::string line;
    EXPECT_FALSE(std::getline(in, line));
    interrupter.join();
    EXPECT_EQ(pendinginterrupt(), SIGINT);
    restoreinterruptdefaults();
    clearinterrupt();
    in.clear();
    ASSERT_EQ(::write(ends[1], "next\n", 5), 5);
    EXPECT_TRUE(std::getline(in, line));
    EXPECT_EQ(line, "next");
    ::close(ends[0]);
    ::close(ends[1]);
}

}  // namespace
