// Whether two output paths lead to one file, before either is written: a
// live session's recording, live CSV and end-of-session exports must never
// write into each other.
//   "/d/same.kss", "/d/sub/../same.kss"    -> true  (neither there yet)
//   "/d/link.csv" -> "rec.kss", "/d/rec.kss" -> true (a link, even a dangling one)
//   "/d/a.kss" and a hard link to it       -> true  (one inode)
//   "-", "-"                                -> false (standard output is no file)
#pragma once

#include <string>

namespace tavro {

// Where path leads: every link followed (also one naming a file not yet
// made), "." and ".." resolved, as an absolute path.
std::string ResolvedPath(const std::string& path);

bool SameOutputFile(const std::string& a, const std::string& b);

}  // namespace tavro
