// Running a program through a POSIX shell, as a user would, and reading back
// its exit status and error output.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tests/support/tempdir.h"

namespace tq::testing {

struct RunResult {
    int status;  // -1 when the program did not exit by itself
    std::string err;
};

// The text as one word of a POSIX shell.
inline std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a command line with no input and its standard error into errFile.
inline RunResult runShell(const std::string& command, const std::string& errFile) {
    const int rc = std::system((command + " 2>" + quote(errFile) + " </dev/null").c_str());
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, readFile(errFile)};
}

}  // namespace tq::testing
