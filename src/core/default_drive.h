#pragma once
// The per-user stand-in for the system's default-CD-drive value: 4 raw bytes whose first byte
// is the index of the default drive in the drive list; the other three bytes are kept as
// read. Stored in $XDG_CONFIG_HOME/lirafok/default_drive (~/.config/lirafok/default_drive
// when XDG_CONFIG_HOME is not set).
#include <cstddef>
#include <optional>
#include <string>

namespace lirafok::core {

inline constexpr std::size_t kDefaultDriveDataSize = 4;

// Where the value lives.
std::string defaultDrivePath();

// The 4 bytes, or std::nullopt when the value is missing, unreadable or not 4 bytes long
// (as a missing registry value would be).
std::optional<std::string> readDefaultDriveData();

// Stores exactly 4 bytes (false when `data` has another length or the file cannot be
// written). The folder is created when needed; the old value is replaced atomically.
bool writeDefaultDriveData(const std::string& data);

// Creates the value with default drive 0 when it is missing (a fresh installation) or
// damaged, so that the drive choice is offered. True when a valid value exists afterwards.
bool ensureDefaultDriveData();

}  // namespace lirafok::core
