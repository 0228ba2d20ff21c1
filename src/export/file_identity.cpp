#include "file_identity.h"

#include <sys/stat.h>

#include <filesystem>

namespace tavro {

namespace fs = std::filesystem;

std::string ResolvedPath(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    // 40 links at most, as the kernel allows; a loop ends there.
    for (int hops = 0; hops < 40; ++hops) {
        // The links of the part that is there followed, then "." and ".." (in that order: "link/.." is the link's parent).
        if (fs::path real = fs::weakly_canonical(p, ec); !ec) p = std::move(real);
        if (!fs::is_symlink(p, ec)) break;  // else a link to a file not there yet
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p.string();
}

bool SameOutputFile(const std::string& a, const std::string& b) {
    if (a == "-" || b == "-") return false;
    struct stat sa {}, sb {};
    const bool aThere = ::stat(a.c_str(), &sa) == 0, bThere = ::stat(b.c_str(), &sb) == 0;
    if (aThere && bThere) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return aThere == bThere && ResolvedPath(a) == ResolvedPath(b);
}

}  // namespace tavro
