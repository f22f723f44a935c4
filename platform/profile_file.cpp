#include "platform/profile_file.h"

#include <fcntl.h>
#include <libgen.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include "platform/file_replacement.h"
#include "platform/text.h"

namespace brindle::profile {

namespace {

struct Line {
  enum Kind { kOther, kSection, kKey };
  std::string raw;  // as in the file, without its line feed
  Kind kind = kOther;
  std::string name;   // trimmed section or key name
  std::string value;  // trimmed value of a key line
};

struct Document {
  std::vector<Line> lines;
};

Line ParseLine(std::string raw, bool first) {
  Line line;
  line.raw = std::move(raw);
  std::string_view text = line.raw;
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (first && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // UTF-8 mark
  text = Trim(text);
  if (text.empty() || text.front() == ';') return line;
  if (text.front() == '[') {
    const auto close = text.find(']');
    if (close != std::string_view::npos) {
      line.kind = Line::kSection;
      line.name = Trim(text.substr(1, close - 1));
    }
    return line;
  }
  const auto equals = text.find('=');
  if (equals == std::string_view::npos) return line;
  line.name = Trim(text.substr(0, equals));
  if (line.name.empty()) return line;
  line.kind = Line::kKey;
  line.value = Trim(text.substr(equals + 1));
  return line;
}

Document Parse(std::string_view bytes) {
  Document doc;
  std::size_t start = 0;
  while (start < bytes.size()) {
    auto end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    doc.lines.push_back(ParseLine(std::string(bytes.substr(start, end - start)), start == 0));
    start = end + 1;
  }
  return doc;
}

std::string Serialize(const Document& doc) {
  std::string bytes;
  for (const Line& line : doc.lines) {
    bytes += line.raw;
    bytes += '\n';
  }
  return bytes;
}

// The file's bytes; empty when it does not exist. Other read failures give the errno.
std::optional<std::string> ReadFileBytes(const std::string& file, int& error) {
  error = 0;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    if (error == ENOENT) error = 0;
    return std::nullopt;
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      bytes.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      error = errno;
      ::close(fd);
      return std::nullopt;
    }
  }
  ::close(fd);
  return bytes;
}

Document Load(const std::string& file) {
  int error = 0;
  const auto bytes = ReadFileBytes(file, error);
  return bytes ? Parse(*bytes) : Document{};
}

// The line range [first, last) of a section's body; nullopt when there is no such section.
struct Range {
  std::size_t header, first, last;
};

std::optional<Range> FindSection(const Document& doc, std::string_view section) {
  const std::string wanted = LowerCase(section);
  for (std::size_t i = 0; i < doc.lines.size(); ++i) {
    const Line& line = doc.lines[i];
    if (line.kind != Line::kSection || LowerCase(line.name) != wanted) continue;
    std::size_t end = i + 1;
    while (end < doc.lines.size() && doc.lines[end].kind != Line::kSection) ++end;
    return Range{i, i + 1, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const Document& doc, const Range& range, std::string_view key) {
  const std::string wanted = LowerCase(key);
  for (std::size_t i = range.first; i < range.last; ++i) {
    const Line& line = doc.lines[i];
    if (line.kind == Line::kKey && LowerCase(line.name) == wanted) return i;
  }
  return std::nullopt;
}

// The names of the lines of one kind in [first, last), each once, in their first spelling.
std::vector<std::string> UniqueNames(const Document& doc, std::size_t first, std::size_t last,
                                     Line::Kind kind) {
  std::vector<std::string> names;
  std::vector<std::string> seen;
  for (std::size_t i = first; i < last; ++i) {
    const Line& line = doc.lines[i];
    if (line.kind != kind) continue;
    std::string lower = LowerCase(line.name);
    if (std::find(seen.begin(), seen.end(), lower) != seen.end()) continue;
    seen.push_back(std::move(lower));
    names.push_back(line.name);
  }
  return names;
}

// Removes one pair of enclosing quotes and cuts to what the read buffer holds.
std::string ReadableValue(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  if (value.size() >= kReadBufferChars) {
    std::size_t cut = 0;
    while (cut < value.size()) {
      const std::size_t next = cut + CharLengthAt(value, cut);
      if (next > kReadBufferChars - 1) break;
      cut = next;
    }
    value = value.substr(0, cut);
  }
  return std::string(value);
}

// The file a write must replace: the target of a symbolic link, not the link.
std::string WriteTarget(const std::string& file) {
  struct stat st {};
  if (::lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(file.c_str(), nullptr)) {
      std::string target = real;
      std::free(real);
      return target;
    }
  }
  return file;
}

std::string DirectoryOf(const std::string& path) {
  std::string copy = path;
  return ::dirname(copy.data());
}

// Gives the replacement of a file the access the file had, so that a file an administrator
// shares through a group stays shared; a new file is its writer's alone (settings files hold
// passwords). Only root may give a file away, so another writer becomes the owner; a writer
// outside the file's group cannot keep the group either, and then the group loses its rights
// rather than passing them to the writer's own group.
int TakeOverAccess(int fd, const std::string& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) {
    if (errno != ENOENT) return errno;
    return ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 ? 0 : errno;
  }
  mode_t mode = st.st_mode & 07777;
  // Owner first: a change of owner clears the set-ID bits that the mode then puts back.
  if (::fchown(fd, st.st_uid, st.st_gid) != 0 &&
      ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
    mode &= ~static_cast<mode_t>(S_IRWXG);
  }
  return ::fchmod(fd, mode) == 0 ? 0 : errno;
}

// Replaces the file with the bytes in one rename.
int ReplaceFile(const std::string& file, std::string_view bytes) {
  const std::string target = WriteTarget(file);
  return ReplaceFileContent(target, bytes, ".ini-",
                            [&](int fd) { return TakeOverAccess(fd, target); })
      .Error;
}

// Loads the document for a change; a file that exists but cannot be read is an error,
// since rewriting it would lose its content.
int LoadForWrite(const std::string& file, Document& doc) {
  int error = 0;
  const auto bytes = ReadFileBytes(file, error);
  if (error != 0) return error;
  doc = bytes ? Parse(*bytes) : Document{};
  return 0;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

std::string ReadString(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view default_value) {
  const Document doc = Load(file);
  const auto range = FindSection(doc, section);
  if (!range) return std::string(default_value);
  const auto index = FindKey(doc, *range, key);
  if (!index) return std::string(default_value);
  return ReadableValue(doc.lines[*index].value);
}

std::vector<std::string> ReadSectionNames(const std::string& file) {
  const Document doc = Load(file);
  return UniqueNames(doc, 0, doc.lines.size(), Line::kSection);
}

std::vector<std::string> ReadKeyNames(const std::string& file, std::string_view section) {
  const Document doc = Load(file);
  const auto range = FindSection(doc, section);
  if (!range) return {};
  return UniqueNames(doc, range->first, range->last, Line::kKey);
}

int WriteString(const std::string& file, std::string_view section, std::string_view key,
                std::string_view value) {
  if (Trim(section).empty() || HasLineBreak(section) || section.find(']') != section.npos ||
      Trim(key).empty() || HasLineBreak(key) || key.find('=') != key.npos || HasLineBreak(value)) {
    return EINVAL;
  }
  Document doc;
  if (const int error = LoadForWrite(file, doc)) return error;
  auto range = FindSection(doc, section);
  if (!range) {
    if (!doc.lines.empty() && !Trim(doc.lines.back().raw).empty()) doc.lines.push_back({});
    doc.lines.push_back(ParseLine("[" + std::string(section) + "]", false));
    range = Range{doc.lines.size() - 1, doc.lines.size(), doc.lines.size()};
  }
  const std::string raw = std::string(key) + "=" + std::string(value);
  if (const auto index = FindKey(doc, *range, key)) {
    if (doc.lines[*index].raw == raw) return 0;
    doc.lines[*index] = ParseLine(raw, false);
  } else {
    std::size_t at = range->first;
    for (std::size_t i = range->first; i < range->last; ++i) {
      if (doc.lines[i].kind == Line::kKey) at = i + 1;
    }
    doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at), ParseLine(raw, false));
  }
  return ReplaceFile(file, Serialize(doc));
}

int DeleteKey(const std::string& file, std::string_view section, std::string_view key) {
  Document doc;
  if (const int error = LoadForWrite(file, doc)) return error;
  const auto range = FindSection(doc, section);
  if (!range) return 0;
  const auto index = FindKey(doc, *range, key);
  if (!index) return 0;
  doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(*index));
  return ReplaceFile(file, Serialize(doc));
}

int DeleteSection(const std::string& file, std::string_view section) {
  Document doc;
  if (const int error = LoadForWrite(file, doc)) return error;
  const auto range = FindSection(doc, section);
  if (!range) return 0;
  doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(range->header),
                  doc.lines.begin() + static_cast<std::ptrdiff_t>(range->last));
  return ReplaceFile(file, Serialize(doc));
}

int FlushProfile(const std::string& file) {
  const std::string target = WriteTarget(file);
  for (const std::string& path : {target, DirectoryOf(target)}) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? 0 : errno;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (error != 0) return error;
  }
  return 0;
}

}  // namespace brindle::profile
