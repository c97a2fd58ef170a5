#include "run_program.h"

#include <vector>

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
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (CreatePipe(&outRead, &outWrite, &inherit, 0) && CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup = {sizeof(startup)};
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = outWrite;
        startup.hStdError = errWrite;
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                           &process)) {
            const DWORD start = GetTickCount();
            DWORD waited;
            do {
                Drain(outRead, &result.out);
                Drain(errRead, &result.err);
                waited = WaitForSingleObject(process.hProcess, 10);
            } while (waited == WAIT_TIMEOUT && GetTickCount() - start < timeoutMs);
            if (waited == WAIT_OBJECT_0)
                GetExitCodeProcess(process.hProcess, &result.code);
            else
                TerminateProcess(process.hProcess, 1);
            Drain(outRead, &result.out);
            Drain(errRead, &result.err);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    for (HANDLE pipe : {outRead, outWrite, errRead, errWrite})
        if (pipe)
            CloseHandle(pipe);
    return result;
}

std::string BesideTestProgram(const std::string& name)
{
    char path[MAX_PATH];
    std::string self(path, GetModuleFileNameA(nullptr, path, sizeof(path)));
    return self.substr(0, self.rfind('\\') + 1) + name;
}

}  // namespace fytest
