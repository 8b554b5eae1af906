#include <windows.h>

#include <thread>

#include "common/win_text.h"
#include "run_program.h"

namespace qv::test {
namespace {

// The quoting CommandLineToArgvW undoes.
std::wstring Quote(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

void Drain(HANDLE pipe, std::string& into) {
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) into.append(buffer, n);
}

}  // namespace

std::string ProgramPath(const std::string& built) {
  std::string path = !built.empty() && built[0] == '/' ? "Z:" + built : built;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::optional<ProgramResult> RunProgram(const std::string& program,
                                        const std::vector<std::string>& args,
                                        const std::string& input, int deadline_seconds) {
  const std::wstring path = win::Utf8ToWide(ProgramPath(program));
  std::wstring command = Quote(path);
  for (const std::string& arg : args) command += L" " + Quote(win::Utf8ToWide(arg));

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in_read, in_write, out_read, out_write, err_read, err_write;
  if (!CreatePipe(&in_read, &in_write, &inherit, 0)) return std::nullopt;
  CreatePipe(&out_read, &out_write, &inherit, 0);
  CreatePipe(&err_read, &err_write, &inherit, 0);
  SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in_read;
  startup.hStdOutput = out_write;
  startup.hStdError = err_write;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  CloseHandle(in_read);
  CloseHandle(out_write);
  CloseHandle(err_write);
  if (!started) {
    CloseHandle(in_write);
    CloseHandle(out_read);
    CloseHandle(err_read);
    return std::nullopt;
  }
  ProgramResult result;
  // Each pipe on its own thread, so that neither fills while the other is read.
  std::thread out_reader(Drain, out_read, std::ref(result.out));
  std::thread err_reader(Drain, err_read, std::ref(result.err));
  DWORD written = 0;
  if (!input.empty())
    WriteFile(in_write, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
  CloseHandle(in_write);
  const bool ended = WaitForSingleObject(process.hProcess, static_cast<DWORD>(deadline_seconds) *
                                                               1000) == WAIT_OBJECT_0;
  if (!ended) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  out_reader.join();
  err_reader.join();
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(out_read);
  CloseHandle(err_read);
  if (!ended) return std::nullopt;
  result.exit_code = static_cast<int>(code);
  return result;
}

}  // namespace qv::test
