#include "growing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "atomic_file.h"

namespace tavro {

namespace {
// "/d/tavro_live.kss", 2 -> "/d/tavro_live_2.kss"
std::string Numbered(const std::string& path, int n) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string suffix = std::string(1, '_').append(std::to_string(n));  // not "_" + ...: a false g++ 12 -O3 warning
    return hasExtension ? path.substr(0, dot) + suffix + path.substr(dot) : path + suffix;
}

std::function<long long(const std::string&)>& SizeLimit() {
    static std::function<long long(const std::string&)> limit;
    return limit;
}
}  // namespace

void SetFileSizeLimitForTesting(std::function<long long(const std::string&)> size) { SizeLimit() = std::move(size); }

GrowingFile::GrowingFile(std::string path, Name name, std::vector<std::string> protectedFiles, bool makeFolder)
    : path_(std::move(path)), name_(name), protected_(std::move(protectedFiles)), makeFolder_(makeFolder) {}

GrowingFile::~GrowingFile() {
    if (fd_ > STDERR_FILENO) ::close(fd_);
}

bool GrowingFile::Open() {
    if (path_ == "-") {
        fd_ = STDOUT_FILENO;
        return true;
    }
    if (IsOneOf(path_, protected_)) {
        error_ = "it is an input file";
        return false;
    }
    if (const auto slash = path_.rfind('/'); makeFolder_ && slash != std::string::npos && slash > 0) {
        std::error_code ignored;  // a folder that cannot be made fails the open below
        std::filesystem::create_directories(path_.substr(0, slash), ignored);
    }
    if (name_ == Name::AsGiven) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } else {
        const std::string base = path_;
        for (int n = 2; (fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)) < 0 && errno == EEXIST;)
            path_ = Numbered(base, n++);
    }
    if (fd_ < 0) error_ = std::strerror(errno);
    return fd_ >= 0;
}

bool GrowingFile::Append(std::string_view bytes) {
    if (!error_.empty()) return false;
    if (fd_ < 0 && !Open()) return false;
    int err = InjectedWriteFault(path_);
    long long done = 0, size = static_cast<long long>(bytes.size());
    if (const long long limit = SizeLimit() ? SizeLimit()(path_) : -1; limit >= 0 && written_ + size > limit)
        size = std::max(limit - written_, 0LL);
    while (!err && done < size) {
        const ssize_t n = ::write(fd_, bytes.data() + done, static_cast<std::size_t>(size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        else done += n;
    }
    if (!err && size < static_cast<long long>(bytes.size())) err = ENOSPC;
    if (!err) {
        written_ += done;
        return true;
    }
    error_ = std::strerror(err);
    // Back to the end of the last complete piece. Standard output and pipes stay as they are.
    struct stat st {};
    if (done > 0 && path_ != "-" && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
        [[maybe_unused]] const int cut = ::ftruncate(fd_, written_);
    }
    return false;
}

}  // namespace tavro
