#include "file_identity.h"

#include <sys/stat.h>

#include <filesystem>

namespace tavro {

namespace fs = std::filesystem;

std::string ResolvedPath(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(path, ec).lexically_normal();
    // 40 links at most, as the kernel allows; a loop ends there.
    for (int hops = 0; hops < 40 && p.has_filename(); ++hops) {
        const fs::path folder = fs::weakly_canonical(p.parent_path(), ec);  // the folder's own links followed
        p = folder / p.filename();
        if (!fs::is_symlink(p, ec)) break;
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = (target.is_absolute() ? target : folder / target).lexically_normal();
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
