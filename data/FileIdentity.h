// Whether two paths lead to one file: an output must never replace one of its command's inputs (a
// capture that may be the only copy of what the logger sent) or the archive, whichever name, link
// or hard link leads to it.
#pragma once

#include <string>

// Whether writing `a` and writing `b` would write the same file: one file on disk (by device and
// inode, links followed, so also through a hard link), or one path once its links are followed,
// also when the file does not exist yet.
bool SameFile(const std::string& a, const std::string& b);
