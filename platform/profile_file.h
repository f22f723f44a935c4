// The profile-file engine: a plain INI text file of "[Section]" and "Key=Value" lines.
//
// Reads: section and key names match without regard to case; a value comes back with its
// surrounding blanks removed and one pair of enclosing double quotes removed, cut to the
// 65534 characters that a 65535-character buffer holds. An unreadable file or line simply
// yields the default: garbage lines, binary bytes and a missing final newline do no harm.
//
// Writes replace the whole file atomically (a temporary file in the same directory, then
// rename), so other processes see every write at once and a crash never leaves half a file;
// lines the engine does not understand are kept as they are. A new file is its owner's alone
// (0600, whatever the umask: settings files hold passwords); a replaced file keeps its mode,
// owner and group as far as the writer may set them. Writes return 0 or an errno value (ENOENT
// when the directory is missing). FlushProfile makes written data durable.
//
// The engine does no locking: callers serialise writers (the safe INI file's named lock).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brindle::profile {

constexpr std::size_t kReadBufferChars = 65535;

std::string ReadString(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view default_value);

// Names in file order, each once (the first spelling).
std::vector<std::string> ReadSectionNames(const std::string& file);
std::vector<std::string> ReadKeyNames(const std::string& file, std::string_view section);

// Sets the key, adding the section or key when missing. Names may not hold line breaks,
// a key no "=", a section no "]", a value no line break (EINVAL).
int WriteString(const std::string& file, std::string_view section, std::string_view key,
                std::string_view value);

// Removing what is not there succeeds without touching the file.
int DeleteKey(const std::string& file, std::string_view section, std::string_view key);
int DeleteSection(const std::string& file, std::string_view section);

// Forces written data to disk; a missing file has nothing to flush.
int FlushProfile(const std::string& file);

}  // namespace brindle::profile
