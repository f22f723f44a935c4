// Replaces a file's content in one rename: the bytes go into a new file in the same folder, which
// is then renamed over the old one, so that a reader sees the old content or the new, never a
// part. Settings files and the metrics file are written this way.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace brindle {

struct TFileReplacement {
  int Error = 0;             // errno of the step that failed; 0 on success
  bool TempCreated = false;  // false when the new file could not even be made
};

// The new file is named `temp_prefix` followed by six random characters: a prefix that readers
// of the folder skip. `prepare` gives the new file its access before the bytes go in and returns
// 0 or an errno. On failure the new file is removed and the old one is left as it was.
TFileReplacement ReplaceFileContent(const std::string& target, std::string_view bytes,
                                    const std::string& temp_prefix,
                                    const std::function<int(int fd)>& prepare);

}  // namespace brindle
