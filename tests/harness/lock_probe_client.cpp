#include "lock_probe.h"

#include <gtest/gtest.h>

namespace fytest {

namespace {

// lock_probe.exe lies beside the running test program.
std::string ProbePath()
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
    std::string path(self, length);
    return path.substr(0, path.find_last_of('\\') + 1) + "lock_probe.exe";
}

bool StartProbe(const std::string& arguments, PROCESS_INFORMATION* process)
{
    std::string line = "\"" + ProbePath() + "\" " + arguments;
    STARTUPINFOA startup = {sizeof(startup)};
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, process);
}

void SplitArchive(const std::string& archivePath, std::string* folder, std::string* name)
{
    size_t slash = archivePath.find_last_of('\\');
    *folder = archivePath.substr(0, slash);
    *name = archivePath.substr(slash + 1);
}

}  // namespace

int TryLockFromAnotherProcess(const std::string& archivePath)
{
    std::string folder, name;
    SplitArchive(archivePath, &folder, &name);
    PROCESS_INFORMATION process;
    if (!StartProbe("try \"" + folder + "\" \"" + name + "\"", &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

LockHolder::LockHolder(const std::string& archivePath)
{
    std::string folder, name;
    SplitArchive(archivePath, &folder, &name);
    std::string event = "fytest-lock-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, (event + "-held").c_str());
    release_ = CreateEventA(nullptr, TRUE, FALSE, (event + "-release").c_str());
    if (!StartProbe("hold \"" + folder + "\" \"" + name + "\" " + event, &process_)) {
        ADD_FAILURE() << "lock_probe.exe could not be started";
    } else {
        HANDLE waits[2] = {held, process_.hProcess};
        held_ = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
    }
    CloseHandle(held);
}

LockHolder::~LockHolder()
{
    SetEvent(release_);
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(process_.hProcess, 1);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    CloseHandle(release_);
}

}  // namespace fytest
