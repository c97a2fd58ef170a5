#include "lock_probe.h"

#include <gtest/gtest.h>

#include "run_program.h"

namespace fytest {

namespace {

// lock_probe's arguments for an archive: its folder and its name, quoted.
std::string ProbeArguments(const char* verb, const std::string& archivePath)
{
    size_t slash = archivePath.find_last_of('\\');
    return "\"" + BesideTestProgram("lock_probe.exe") + "\" " + verb + " \"" + archivePath.substr(0, slash) + "\" \"" +
           archivePath.substr(slash + 1) + "\"";
}

}  // namespace

int TryLockFromAnotherProcess(const std::string& archivePath)
{
    return static_cast<int>(RunProgram(ProbeArguments("try", archivePath), 30000).code);
}

LockHolder::LockHolder(const std::string& archivePath)
{
    std::string event = "fytest-lock-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    win::KernelHandle held(CreateEventA(nullptr, TRUE, FALSE, (event + "-held").c_str()));
    release_.Attach(CreateEventA(nullptr, TRUE, FALSE, (event + "-release").c_str()));
    std::string line = ProbeArguments("hold", archivePath) + " " + event;
    STARTUPINFOA startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "lock_probe.exe could not be started";
        return;
    }
    process_.Attach(process.hProcess);
    CloseHandle(process.hThread);
    HANDLE waits[2] = {held.Get(), process_.Get()};
    held_ = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
}

LockHolder::~LockHolder()
{
    SetEvent(release_.Get());
    if (process_ && WaitForSingleObject(process_.Get(), 10000) != WAIT_OBJECT_0)
        TerminateProcess(process_.Get(), 1);
}

}  // namespace fytest
