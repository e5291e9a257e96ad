#include "harness/program.h"

#include <utility>
#include <vector>

#include "harness/harness.h"

namespace cvxtest {
namespace {

struct Reader {
    HANDLE pipe;
    std::string text;
};

DWORD WINAPI ReadAll(LPVOID param)
{
    auto *reader = static_cast<Reader *>(param);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(reader->pipe, buffer, sizeof buffer, &got, nullptr) && got) reader->text.append(buffer, got);
    return 0;
}

std::string WithoutCarriageReturns(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}


}  // namespace

std::string QuoteArgument(const std::string &arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        out += c;
    }
    return out.append(slashes * 2, '\\') + "\"";
}

ProgramResult RunProgram(const std::string &commandLine, DWORD timeoutMs)
{
    ProgramResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) return result;
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        CloseHandle(outRead), CloseHandle(outWrite);
        return result;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                               nullptr);

    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = input;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    std::string dir = ExeDirectory();
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                  dir.c_str(), &si, &pi);
    // Only the child holds the write ends now: the reads end with it.
    CloseHandle(outWrite), CloseHandle(errWrite);
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    Reader out{outRead, {}}, err{errRead, {}};
    if (started) {
        HANDLE readers[2] = {CreateThread(nullptr, 0, ReadAll, &out, 0, nullptr),
                             CreateThread(nullptr, 0, ReadAll, &err, 0, nullptr)};
        if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(pi.hProcess, &code);
            result.exitCode = static_cast<int>(code);
        } else {
            TerminateProcess(pi.hProcess, 254);
            result.exitCode = -2;
        }
        WaitForMultipleObjects(2, readers, TRUE, 10000);
        CloseHandle(readers[0]), CloseHandle(readers[1]);
        CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
    }
    CloseHandle(outRead), CloseHandle(errRead);
    result.out = WithoutCarriageReturns(out.text);
    result.err = WithoutCarriageReturns(err.text);
    return result;
}

ProgramResult RunTool(const char *program, const std::vector<std::string> &args, DWORD timeoutMs)
{
    std::string line = QuoteArgument(ExeDirectory() + program);
    for (const std::string &arg : args) line += " " + QuoteArgument(arg);
    return RunProgram(line, timeoutMs);
}

}  // namespace cvxtest
