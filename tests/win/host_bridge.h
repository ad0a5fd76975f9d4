// What crosses from Wine to the Linux host: Unix paths of Windows paths, and
// shell scripts run there (Wine starts Unix programs).
#pragma once
#include <string>

namespace host_bridge {

// Wine's own mapping of a Windows path to the Unix one; empty outside Wine.
std::string UnixPath(const std::string& path);

// The Unix path of `path`, quoted for the shell.
std::string ShellPath(const std::string& path);

// A path of its own in the temporary folder, starting with `name`.
std::string TempPath(const std::string& name);

// Runs `script` with /bin/sh and answers its output. A Unix process cannot
// be waited for through its handle: its output appears when it has ended.
std::string RunShell(const std::string& script);

}  // namespace host_bridge
