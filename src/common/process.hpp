#pragma once

#include <functional>

// Every way the process ends (finish line, machine error, compile error, splitter exit, usage error)
// goes through endprocess, so that nothing written is lost and so that tests can run many programs in
// one process by replacing the final step.

// Runs the registered end hooks, flushes standard output and error, then hands the status to the
// current end handler (by default: terminate the process with that status).
[[noreturn]] void endprocess(int status);

// Called by endprocess before anything is flushed; the machine registers one to close the files a
// program left open. Registering the same function twice keeps one registration.
void atprocessend(void (*hook)());

// Replaces the final step of endprocess. The handler must not return: tests throw processended.
using processendhandler = void (*)(int status);
processendhandler setprocessendhandler(processendhandler handler);

struct processended {
    int status;
};

// Installs a handler that throws processended for the lifetime of the object.
class catchprocessend {
public:
    catchprocessend();
    ~catchprocessend();
    catchprocessend(const catchprocessend&) = delete;
    catchprocessend& operator=(const catchprocessend&) = delete;

private:
    processendhandler previous;
};

// Runs work on a thread with a large stack and waits for it; an exception thrown by work is rethrown
// here. Deeply nested programs recurse in the compiler and the machine far beyond a default stack.
void runonlargestack(const std::function<void()>& work);
