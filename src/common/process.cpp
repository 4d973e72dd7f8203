#include "common/process.hpp"

#include <pthread.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <vector>

#include "common/interrupts.hpp"

namespace {

// 1 GiB of address space; only the pages actually touched are ever committed.
constexpr std::size_t largestacksize = std::size_t{1} << 30;

// Whether this thread runs on the large stack already.
thread_local bool onlargestack = false;

struct stackjob {
    const std::function<void()>* work;
    std::exception_ptr failure;
};

void* runstackjob(void* argument) {
    auto* job = static_cast<stackjob*>(argument);
    onlargestack = true;
    try {
        (*job->work)();
    } catch (...) {
        job->failure = std::current_exception();
    }
    return nullptr;
}

}  // namespace

void endprocess(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    throw processended{status};
}

bool tryonlargestack(const std::function<void()>& work) {
    if (onlargestack) {
        work();
        return true;
    }
    stackjob job{&work, nullptr};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, largestacksize);
    pthread_t thread;
    int failed = 0;
    {
        interruptsblocked inherited;  // the thread starts with the signals blocked, for good
        failed = pthread_create(&thread, &attributes, runstackjob, &job);
    }
    pthread_attr_destroy(&attributes);
    if (failed) return false;
    pthread_join(thread, nullptr);
    if (job.failure) std::rethrow_exception(job.failure);
    return true;
}

void runonlargestack(const std::function<void()>& work) {
    // No thread to be had: run on the caller's stack rather than not at all.
    if (!tryonlargestack(work)) work();
}
