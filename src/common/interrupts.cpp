#include "common/interrupts.hpp"

#include <pthread.h>
#include <unistd.h>

#include <csignal>

std::atomic<int> caughtsignal{0};

namespace {

std::atomic<std::atomic<bool>*> alarmflag{nullptr};
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free, "the handler reads it");

constexpr int interruptsignals[] = {SIGINT, SIGTERM, SIGHUP};

void noteinterrupt(int signal) {
    if (caughtsignal.load() != 0) ::_exit(128 + signal);
    caughtsignal.store(signal);
    if (std::atomic<bool>* flag = alarmflag.load()) flag->store(true);
}

void setaction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocked read returns with EINTR
    for (int signal : interruptsignals) sigaction(signal, &action, nullptr);
}

}  // namespace

void catchinterrupts() { setaction(noteinterrupt); }

void restoreinterruptdefaults() { setaction(SIG_DFL); }

void clearinterrupt() { caughtsignal.store(0); }

void setinterruptalarm(std::atomic<bool>* flag) { alarmflag.store(flag); }

interruptsblocked::interruptsblocked() {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int signal : interruptsignals) sigaddset(&blocked, signal);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
}

interruptsblocked::~interruptsblocked() { pthread_sigmask(SIG_SETMASK, &previous, nullptr); }
