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

WriteResult Failure(int err) { return {false, std::strerror(err)}; }

// One atomic write, piece by piece:
//   AtomicFileWriter w;
//   if (w.Open(path, inputs).ok) { w.Write(piece); ...; result = w.Commit(); }
// Nothing replaces the target before Commit(); a writer destroyed without
// it removes its temporary file. After a failed Write, the rest are ignored
// and Commit() reports the first failure.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    ~AtomicFileWriter();

    WriteResult Open(const std::string& path, const std::vector<std::string>& inputs = {});
    bool Write(std::string_view piece);
    WriteResult Commit();
    // The file's permissions from now on, whatever it had (0600 for a file with a token).
    void ForceMode(mode_t mode) { forcedMode_ = mode; }

private:
    void Close();

    std::string target_;  // the file replaced (a link's target), or written into
    std::string temp_;    // the temporary file; empty when written in place
    int fd_ = -1;
    bool ownFd_ = false;  // not standard output
    int error_ = 0;       // the first failure's errno
    long long written_ = 0, handed_ = 0;  // bytes written, and handed to the disk early
    int forcedMode_ = -1;
};

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
    AtomicFileWriter writer;
    if (WriteResult opened = writer.Open(path, inputs); !opened.ok) return opened;
    // In megabytes, so the disk starts on the first while the next is copied.
    for (std::size_t at = 0; at < contents.size(); at += 1 << 20) writer.Write(contents.substr(at, 1 << 20));
    return writer.Commit();
}

WriteResult WriteFileAtomically(const std::string& path, const ContentPieces& next,
                                const std::vector<std::string>& inputs) {
    AtomicFileWriter writer;
    if (WriteResult opened = writer.Open(path, inputs); !opened.ok) return opened;
    for (std::string_view piece; !(piece = next()).empty();)
        if (!writer.Write(piece)) break;
    return writer.Commit();
}

WriteResult WritePrivateFileAtomically(const std::string& path, std::string_view contents) {
    AtomicFileWriter writer;
    writer.ForceMode(0600);
    if (WriteResult opened = writer.Open(path); !opened.ok) return opened;
    writer.Write(contents);
    return writer.Commit();
}

AtomicFileWriter::~AtomicFileWriter() {
    Close();
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFileWriter::Close() {
    if (fd_ >= 0 && ownFd_ && ::close(fd_) != 0 && !error_) error_ = errno;
    fd_ = -1;
}

WriteResult AtomicFileWriter::Open(const std::string& path, const std::vector<std::string>& inputs) {
    if (path == "-") {
        fd_ = STDOUT_FILENO;
        return {true, {}};
    }
    if (IsOneOf(path, inputs)) return {false, "it is an input file"};
    // A link is followed: the file it names is replaced and the link stays.
    target_ = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target_ = real;
            std::free(real);
        }
    }
    if (::stat(target_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Failure(EISDIR);
        // A pipe or a device (/dev/stdout) is written into, never replaced by a file.
        if (!S_ISREG(st.st_mode)) {
            fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd_ < 0) return Failure(errno);
            ownFd_ = true;
            error_ = InjectedWriteFault(path);
            return {true, {}};
        }
    }
    const auto slash = target_.rfind(kPathSeparator);
    const std::string folder = slash == std::string::npos ? "." : target_.substr(0, slash + 1);
    std::string temp = (slash == std::string::npos ? std::string() : folder) + "." + FileNamePart(target_) + ".XXXXXX";
    fd_ = ::mkstemp(temp.data());
    if (fd_ < 0) return Failure(errno);
    ownFd_ = true;
    temp_ = std::move(temp);
    error_ = InjectedWriteFault(path);
    return {true, {}};
}

bool AtomicFileWriter::Write(std::string_view piece) {
    if (error_ || fd_ < 0) return false;
    if (!WriteAll(fd_, piece)) {
        error_ = errno ? errno : EIO;
        return false;
    }
    written_ += static_cast<long long>(piece.size());
    // Each megabyte is handed to the disk as soon as it is written (a hint,
    // no wait), so the fsync before the rename has less left to wait for.
    constexpr long long kSlice = 1 << 20;
    if (!temp_.empty() && written_ - handed_ >= kSlice) {
#ifdef SYNC_FILE_RANGE_WRITE
        ::sync_file_range(fd_, handed_, written_ - handed_, SYNC_FILE_RANGE_WRITE);
#endif
        handed_ = written_;
    }
    return true;
}

WriteResult AtomicFileWriter::Commit() {
    if (fd_ < 0 && !error_) return Failure(EBADF);
    if (!temp_.empty()) {
        if (!error_ && ::fsync(fd_) != 0) error_ = errno;
        // A new file gets the usual permissions; a replaced one keeps its own.
        struct stat st {};
        if (!error_ && forcedMode_ >= 0) ::fchmod(fd_, static_cast<mode_t>(forcedMode_));
        else if (!error_) ::fchmod(fd_, ::stat(target_.c_str(), &st) == 0 ? st.st_mode & 07777 : 0666 & ~CurrentUmask());
    }
    Close();
    if (!error_ && !temp_.empty()) {
        if (::rename(temp_.c_str(), target_.c_str()) != 0) error_ = errno;
        else temp_.clear();  // it is the target now
    }
    if (error_) return Failure(error_);
    return {true, {}};
}

}  // namespace tavro
