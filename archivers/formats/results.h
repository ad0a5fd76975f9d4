// What the entry points answer: 0 for success, else a value of the table
// that the libraries of this API have always shared, under the table's
// names. Callers act on them (a front end asks for a password when it
// reads ERROR_PASSWORD_FILE), so no value here is ours to choose.
#pragma once

namespace archivers {

constexpr int ERROR_DISK_SPACE = 0x8005;       // the destination's volume cannot hold what the command writes
constexpr int ERROR_METHOD = 0x8009;           // a method not decoded here
constexpr int ERROR_PASSWORD_FILE = 0x800A;    // encrypted, and no password opens it
constexpr int ERROR_FILE_CRC = 0x800C;         // a member's data is damaged: its check value, its size, its coding
constexpr int ERROR_MAKEDIRECTORY = 0x8012;    // a folder could not be made
constexpr int ERROR_CANNOT_WRITE = 0x8013;     // a file could not be written
constexpr int ERROR_HEADER_CRC = 0x8016;       // a header fails its own check value
constexpr int ERROR_HEADER_BROKEN = 0x8017;    // the headers are damaged or cut short
constexpr int ERROR_ARC_FILE_OPEN = 0x8018;    // the archive's file cannot be opened
constexpr int ERROR_NOT_ARC_FILE = 0x8019;     // the file is no archive of the library's format
constexpr int ERROR_COMMAND_NAME = 0x801C;     // the command line asks for nothing this library does
constexpr int ERROR_ALREADY_RUNNING = 0x801F;  // called while a command waits on the user
constexpr int ERROR_USER_CANCEL = 0x8020;      // the user cancelled
constexpr int ERROR_NOT_SUPPORT = 0x8023;      // a member continued in another volume, a link
// The member would be written over the archive being read: of the table's
// values, the one for a name met twice, here the archive's own.
constexpr int ERROR_SAME_NAME_FILE = 0x8028;
constexpr int ERROR_NOT_FIND_FILE = 0x8031;  // a member named on the command line is not in the archive
// A file written could not be given the archive's zone mark: of the table's
// values, the one for a file's attributes that could not be set.
constexpr int ERROR_SET_ATTRIBUTES = 0x8035;
// A member's name leaves the destination or cannot be a name at all: the
// table's value for a path refused for what it says.
constexpr int ERROR_INVALID_PATH = 0x8049;

}  // namespace archivers
