// The system's side of a console, for run_cli_e2e.sh: starts a program as "start /b" does (a
// process group of its own, so with Ctrl+C ignored) and hands it console events as the system
// does, as a thread of the process running its CtrlRoutine (Wine 8 generates only Ctrl+C
// itself, and no event for another program's process group). Exit status 2 when the program
// could not be started or the event not sent.
//
//   kzn_windows_console_event.exe start PID-FILE PROGRAM [ARGUMENT...]
//       writes the program's process id to PID-FILE, waits for it and ends with its status
//   kzn_windows_console_event.exe send c|break|close|logoff|shutdown PID
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <utility>

namespace {

// One argument as the program's command-line parser reads it back.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, L'\\');
  quoted.push_back(L'"');
  return quoted;
}

int Start(int argc, wchar_t** argv) {
  std::wstring commandLine;
  for (int i = 3; i < argc; ++i) {
    if (!commandLine.empty()) commandLine.push_back(L' ');
    commandLine += Quoted(argv[i]);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                      nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "could not start the program: error %lu\n", GetLastError());
    return 2;
  }
  CloseHandle(process.hThread);
  if (FILE* pidFile = _wfopen(argv[2], L"w"); pidFile != nullptr) {
    std::fprintf(pidFile, "%lu\n", process.dwProcessId);
    std::fclose(pidFile);
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 2;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

int Send(const std::wstring& name, DWORD processId) {
  const std::pair<const wchar_t*, DWORD> events[] = {{L"c", CTRL_C_EVENT},
                                                     {L"break", CTRL_BREAK_EVENT},
                                                     {L"close", CTRL_CLOSE_EVENT},
                                                     {L"logoff", CTRL_LOGOFF_EVENT},
                                                     {L"shutdown", CTRL_SHUTDOWN_EVENT}};
  const auto* event = std::find_if(std::begin(events), std::end(events),
                                   [&](const auto& e) { return name == e.first; });
  if (event == std::end(events)) {
    std::fprintf(stderr, "unknown event\n");
    return 2;
  }
  // The system DLLs lie at the same address in every process of a session.
  FARPROC routine = GetProcAddress(GetModuleHandleW(L"kernelbase.dll"), "CtrlRoutine");
  if (routine == nullptr)
    routine = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine");
  if (routine == nullptr) {
    std::fprintf(stderr, "no CtrlRoutine\n");
    return 2;
  }
  HANDLE process = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION |
                                   PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ,
                               FALSE, processId);
  if (process == nullptr) {
    std::fprintf(stderr, "no process %lu: error %lu\n", processId, GetLastError());
    return 2;
  }
  // The handler of a close or a log-off may never return: the thread is not waited for.
  HANDLE thread = CreateRemoteThread(
      process, nullptr, 0,
      reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(routine)),
      reinterpret_cast<void*>(static_cast<ULONG_PTR>(event->second)), 0, nullptr);
  const DWORD error = GetLastError();
  CloseHandle(process);
  if (thread == nullptr) {
    std::fprintf(stderr, "no thread in process %lu: error %lu\n", processId, error);
    return 2;
  }
  CloseHandle(thread);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"start" && argc >= 4) return Start(argc, argv);
  if (command == L"send" && argc == 4)
    return Send(argv[2], static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
  std::fprintf(stderr,
               "usage: start PID-FILE PROGRAM [ARGUMENT...] | "
               "send c|break|close|logoff|shutdown PID\n");
  return 2;
}
