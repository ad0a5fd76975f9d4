#include "win/host_bridge.h"

#include <windows.h>

#include "win/test_support.h"

namespace host_bridge {

std::string UnixPath(const std::string& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  static const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  std::wstring wide(path.size() + 1, L'\0');
  wide.resize(
      MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size())));
  char* unix = toUnix ? toUnix(wide.c_str()) : nullptr;
  const std::string answer = unix ? unix : "";
  HeapFree(GetProcessHeap(), 0, unix);
  return answer;
}

std::string ShellPath(const std::string& path) { return "'" + UnixPath(path) + "'"; }

std::string TempPath(const std::string& name) {
  static int paths = 0;
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return folder + name + "-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++paths);
}

std::string RunShell(const std::string& script) {
  const std::string base = TempPath("plenkit-sh"), done = base + ".out";
  testing_support::WriteBytes(base + ".sh", "(\n" + script + "\n) >" + ShellPath(base) +
                                                " 2>&1\nmv " + ShellPath(base) + " " +
                                                ShellPath(done) + "\n");
  std::string command = "/bin/sh \"" + UnixPath(base + ".sh") + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return "";
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 600 && !testing_support::Exists(done); ++i) Sleep(50);
  const std::string output = testing_support::ReadBytes(done);
  DeleteFileA(done.c_str());
  DeleteFileA((base + ".sh").c_str());
  return output;
}

}  // namespace host_bridge
