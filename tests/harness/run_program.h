// Runs another program the way a script does and reads back what it wrote.
#pragma once

#include <windows.h>

#include <string>

namespace fytest {

struct ProgramResult {
    DWORD code = 0xFFFFFFFF;  // kept when the program did not start or was ended at the limit
    std::string out;
    std::string err;
};

// Runs commandLine with its standard output and standard error read apart. A
// program still running after timeoutMs is ended.
ProgramResult RunProgram(const std::string& commandLine, DWORD timeoutMs = 60000);

// The test program's own folder, and the full path of a file in it.
std::string ProgramFolder();
std::string BesideTestProgram(const std::string& name);

}  // namespace fytest
