#pragma once
// Starting helper programs (a file dialog, the browser) from inside a host without ever
// waiting for them, on systems with POSIX processes. A child's end is collected later, on
// a later call, so no finished child lingers for long.
#ifndef _WIN32
#include <sys/types.h>

#include <string>
#include <vector>

// The full path of an executable program found through PATH, or "".
std::string FindProgram(const std::string& name);

struct TChildProcess {
  pid_t pid = -1;
  int output = -1;  // the read end of the child's standard output (non-blocking), or -1
};

// Starts argv[0] (looked up through PATH) with the given arguments. Its standard input and
// error are /dev/null, its standard output a pipe when `captureOutput` (else /dev/null), and
// it inherits none of the host's other open files. False when it cannot be started.
bool StartProgram(const std::vector<std::string>& argv, bool captureOutput, TChildProcess& child);

// Leaves a child to be collected once it has ended, without waiting for it now; also
// collects the children left earlier that have ended since. Any thread.
void CollectLater(pid_t pid);
// Collects the children left earlier that have ended since; next to nothing when none is
// left. Every idle tick of an editor window calls it. Any thread.
void CollectEnded();
// Ends a child still running (a dialog whose editor closed): asks it to quit, then makes it,
// and collects it as soon as it has ended, waiting a few milliseconds at most for each. One
// that outlasts both is left to be collected later.
void EndProgram(pid_t pid);
#endif
