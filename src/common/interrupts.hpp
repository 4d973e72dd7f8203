#pragma once

#include <signal.h>

#include <atomic>

// SIGINT, SIGTERM and SIGHUP while a program runs end the run in order instead of the process: the
// handler only notes the signal, and the machine and the natives that can run long look at the note
// and end the run with a report, its files flushed and closed.

// Catches the three signals from now on. System calls they interrupt fail with EINTR instead of
// restarting, so that a read waiting for input ends. A second signal caught before the first is
// cleared ends the process at once, with status 128 + its number: the first one's report is stuck.
void catchinterrupts();
// Gives the three signals their default action back.
void restoreinterruptdefaults();

// The note itself; read it through pendinginterrupt().
extern std::atomic<int> caughtsignal;
static_assert(std::atomic<int>::is_always_lock_free, "the handler writes it");

// The number of the signal caught and not yet cleared; 0 when none.
inline int pendinginterrupt() { return caughtsignal.load(std::memory_order_relaxed); }
void clearinterrupt();

// A flag that the handler also sets, after the note: a loop that already tests one flag often sees the
// signal there at no cost of its own. Null for none.
void setinterruptalarm(std::atomic<bool>* flag);

// The three signals blocked in the calling thread while it lives, so that the threads it starts
// meanwhile inherit the mask: the signals then always reach the thread that runs the program, where
// they interrupt its reads.
class interruptsblocked {
public:
    interruptsblocked();
    ~interruptsblocked();
    interruptsblocked(const interruptsblocked&) = delete;
    interruptsblocked& operator=(const interruptsblocked&) = delete;

    // The mask before, for a wait that lets the signals in while it waits (ppoll).
    const sigset_t& before() const { return previous; }

private:
    sigset_t previous;
};
