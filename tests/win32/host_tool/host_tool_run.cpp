#include "host_tool_run.h"

#include <windows.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "win32/support/test_paths.h"

namespace {

constexpr DWORD kRunTimeoutMs = 60000;

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

HANDLE InheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

void RemoveFolderContents(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveFolderContents(path);
            RemoveDirectoryA(path.c_str());
        } else {
            DeleteFileA(path.c_str());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

std::string HostToolPath() { return TestProgramFolder() + "\\tidewell-host.exe"; }

std::string TestFolder(const std::string& name) {
    const std::string root = TestProgramFolder() + "\\host_tool_work";
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string folder = root + "\\" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    RemoveFolderContents(folder);
    return folder;
}

HostRun RunHost(const std::vector<std::string>& args, const std::string& folder) {
    HostRun run;
    std::string commandLine = "\"" + HostToolPath() + "\"";
    for (const std::string& arg : args) commandLine += " \"" + arg + "\"";
    const std::string outPath = folder + "\\host.out.txt";
    const std::string errPath = folder + "\\host.err.txt";
    HANDLE out = InheritableFile(outPath);
    HANDLE err = InheritableFile(errPath);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const auto started = std::chrono::steady_clock::now();
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const BOOL created = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                                        &startup, &process);
    CloseHandle(out);
    CloseHandle(err);
    if (!created) {
        run.Err = "CreateProcess failed: " + std::to_string(GetLastError());
        return run;
    }
    if (WaitForSingleObject(process.hProcess, kRunTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.ExitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.Out = ReadText(outPath);
    run.Err = ReadText(errPath);
    return run;
}

double LineNumber(const std::string& output, const std::string& linePrefix, const std::string& key) {
    const auto line = output.find(linePrefix);
    if (line == std::string::npos) return -1;
    const auto lineEnd = output.find('\n', line);
    const std::string text = output.substr(line, lineEnd == std::string::npos ? std::string::npos : lineEnd - line);
    const auto at = text.find(" " + key + "=");
    if (at == std::string::npos) return -1;
    return std::stod(text.substr(at + key.size() + 2));
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
