#include "run_program.h"

#include "win/handle.h"

namespace fytest {

namespace {

// Moves what waits in pipe into text, without blocking.
void Drain(HANDLE pipe, std::string* text)
{
    DWORD waiting = 0;
    char buffer[4096];
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, sizeof(buffer) < waiting ? sizeof(buffer) : waiting, &got, nullptr) || got == 0)
            return;
        text->append(buffer, got);
    }
}

}  // namespace

ProgramResult RunProgram(const std::string& commandLine, DWORD timeoutMs)
{
    ProgramResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    win::KernelHandle outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(outRead.Receive(), outWrite.Receive(), &inherit, 0) ||
        !CreatePipe(errRead.Receive(), errWrite.Receive(), &inherit, 0))
        return result;
    SetHandleInformation(outRead.Get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite.Get();
    startup.hStdError = errWrite.Get();
    std::string line = commandLine;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &started))
        return result;
    win::KernelHandle process(started.hProcess), thread(started.hThread);
    const DWORD start = GetTickCount();
    DWORD waited;
    do {
        Drain(outRead.Get(), &result.out);
        Drain(errRead.Get(), &result.err);
        waited = WaitForSingleObject(process.Get(), 10);
    } while (waited == WAIT_TIMEOUT && GetTickCount() - start < timeoutMs);
    if (waited == WAIT_OBJECT_0)
        GetExitCodeProcess(process.Get(), &result.code);
    else
        TerminateProcess(process.Get(), 1);
    Drain(outRead.Get(), &result.out);
    Drain(errRead.Get(), &result.err);
    return result;
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    std::string self(path, GetModuleFileNameA(nullptr, path, sizeof(path)));
    return self.substr(0, self.rfind('\\'));
}

std::string BesideTestProgram(const std::string& name)
{
    return ProgramFolder() + "\\" + name;
}

}  // namespace fytest
