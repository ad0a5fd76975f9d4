// What the test build adds to an archiver: a log of every call and
// archives described in text (archivers/README.md), which give tests exact values.
// The shipped archivers link no_test_layer.cpp in its place: they read real
// archives only, log nothing and read no environment variable.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace archivers::test {

struct Entry {
  std::string name;
  std::string content;
  bool hasRepeat = false;
  std::uint32_t repeatTo = 0;
  bool hasSize = false;
  std::uint32_t size = 0;
  bool hasPacked = false;
  std::uint32_t packed = 0;
  std::uint16_t ratio = 0;
  std::uint16_t date = 0x2A21;  // 2001-01-01
  std::uint16_t time = 0;
  bool noTerm = false;
  std::uint32_t overrun = 0;
  bool fillName = false;
};

struct Described {
  bool hasCount = false;
  int count = 0;
  bool openFails = false;
  bool negativeHandle = false;
  int findFirstResult = 0;
  int findNextResult = 0;
  bool extractOff = false;
  bool letsMessagesRun = false;
  std::vector<Entry> entries;
};

// The log as it is named now ("" when there is none), and a line added to
// a log.
std::string LogPath();
void LogTo(const std::string& path, const std::string& line);

// The archive `path` describes; null when it is no description or
// descriptions are not read here. The description read last is kept, as
// the real archives' listing is, and given again for the same text.
std::shared_ptr<const Described> LoadDescribed(const char* path);

// A described entry's record, and the commands on a described archive.
void FillInfo(const Entry& entry, void* info);
int Extract(const Described& archive, const std::string& destination, const std::vector<std::string>& names);
int Print(const Described& archive, const std::string& name, char* output, DWORD size);

// What a library with a window of its own does while it works: the
// caller's pending messages run, whatever they do to the caller.
void LetMessagesRun();

}  // namespace archivers::test
