#pragma once

#include <functional>

// Every way a run ends early (compile error, splitter exit, usage error) leaves through endprocess,
// which flushes what was written and throws processended; main turns it into the exit status. So the
// compiler and the machine end a run from any depth without leaving the process, and tests run many
// programs in one process.

struct processended {
    int status;
};

// Flushes standard output and error, then throws processended{status}.
[[noreturn]] void endprocess(int status);

// Runs work on a thread with a large stack and waits for it (at once, when already on one); an
// exception thrown by work is rethrown here. Deeply nested programs recurse in the compiler, and in
// the machine's copies and texts of nested structures, far beyond a default stack.
void runonlargestack(const std::function<void()>& work);
// The same, but when no such thread can be had, returns false without running work.
bool tryonlargestack(const std::function<void()>& work);
