#include "atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "output_path.h"

namespace tavro {

namespace {
std::function<int(const std::string&)>& Fault() {
    static std::function<int(const std::string&)> fault;
    return fault;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Every piece of next; false (errno set) when a write fails.
bool WritePieces(int fd, const ContentPieces& next) {
    for (std::string_view piece; !(piece = next()).empty();)
        if (!WriteAll(fd, piece)) return false;
    return true;
}

// The new file, each megabyte handed to the disk as soon as it is written (a
// hint, no wait), so the disk works while the rest is made and the fsync
// before the rename has less left to wait for.
bool WriteAndStartWriteback(int fd, const ContentPieces& next) {
    constexpr off_t kSlice = 1 << 20;
    off_t written = 0, handed = 0;
    for (std::string_view piece; !(piece = next()).empty();) {
        if (!WriteAll(fd, piece)) return false;
        written += static_cast<off_t>(piece.size());
        if (written - handed >= kSlice) {
#ifdef SYNC_FILE_RANGE_WRITE
            ::sync_file_range(fd, handed, written - handed, SYNC_FILE_RANGE_WRITE);
#endif
            handed = written;
        }
    }
    return true;
}

// contents in slices of a megabyte, as pieces.
ContentPieces Slices(std::string_view contents) {
    return [contents]() mutable {
        const std::string_view slice = contents.substr(0, 1 << 20);
        contents.remove_prefix(slice.size());
        return slice;
    };
}

WriteResult Failure(int err) { return {false, std::strerror(err)}; }

// For targets that cannot be replaced by a file (a pipe, /dev/null).
WriteResult WriteInPlace(const std::string& path, const std::string& target, const ContentPieces& next) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return Failure(errno);
    int err = Fault() ? Fault()(path) : 0;
    if (!err && !WritePieces(fd, next)) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (err) return Failure(err);
    return {true, {}};
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}
}  // namespace

void SetWriteFaultForTesting(std::function<int(const std::string&)> fault) { Fault() = std::move(fault); }
int InjectedWriteFault(const std::string& path) { return Fault() ? Fault()(path) : 0; }

bool IsOneOf(const std::string& path, const std::vector<std::string>& files) {
    struct stat out {};
    if (::stat(path.c_str(), &out) != 0) return false;
    for (const std::string& file : files) {
        struct stat in {};
        if (::stat(file.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino) return true;
    }
    return false;
}

WriteResult WriteFileAtomically(const std::string& path, std::string_view contents,
                                const std::vector<std::string>& inputs) {
    return WriteFileAtomically(path, Slices(contents), inputs);
}

WriteResult WriteFileAtomically(const std::string& path, const ContentPieces& next,
                                const std::vector<std::string>& inputs) {
    if (path == "-") {
        if (!WritePieces(STDOUT_FILENO, next)) return Failure(errno);
        return {true, {}};
    }
    if (IsOneOf(path, inputs)) return {false, "it is an input file"};
    // A link is followed: the file it names is replaced and the link stays.
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Failure(EISDIR);
        // A pipe or a device (/dev/stdout) is written into, never replaced by a file.
        if (!S_ISREG(st.st_mode)) return WriteInPlace(path, target, next);
    }

    const auto slash = target.rfind(kPathSeparator);
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    std::string temp = (slash == std::string::npos ? std::string() : folder) + "." + FileNamePart(target) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return Failure(errno);

    int err = 0;
    if (Fault()) err = Fault()(path);
    if (!err && !WriteAndStartWriteback(fd, next)) err = errno;
    if (!err && ::fsync(fd) != 0) err = errno;
    // A new file gets the usual permissions; a replaced one keeps its own.
    if (!err) ::fchmod(fd, ::stat(target.c_str(), &st) == 0 ? st.st_mode & 07777 : 0666 & ~CurrentUmask());
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(temp.c_str());
        return Failure(err);
    }
    return {true, {}};
}

}  // namespace tavro
