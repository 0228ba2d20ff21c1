// A file written as it grows: a live capture, a live CSV. Each Append goes
// to the file at once (a program killed mid-pass leaves what was written).
// A write that fails is cut back to where the last complete one ended, so
// the file never ends in half a frame or half a row; later appends are
// refused and Error() says why.
//
// The file is opened by the first Append: a session that receives nothing
// leaves no empty file behind. "-" is standard output. A new file gets
// 0666 & ~umask; a file that is there is written over in place, so it keeps
// its mode, a link is followed and a pipe is written into. A file of the
// selection is never written.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

class GrowingFile {
public:
    enum class Name {
        AsGiven,    // a file of that name is written over
        Unused,     // never an existing file: "x.kss" taken gives "x_2.kss", "x_3.kss", ...
    };

    // makeFolder: a missing folder is made when the file is opened.
    GrowingFile(std::string path, Name name, std::vector<std::string> protectedFiles = {}, bool makeFolder = false);
    ~GrowingFile();
    GrowingFile(const GrowingFile&) = delete;
    GrowingFile& operator=(const GrowingFile&) = delete;

    bool Append(std::string_view bytes);

    const std::string& Path() const { return path_; }  // the name in use once opened
    bool Opened() const { return fd_ >= 0; }
    const std::string& Error() const { return error_; }  // empty: all written

private:
    bool Open();

    std::string path_;
    Name name_;
    std::vector<std::string> protected_;
    bool makeFolder_;
    int fd_ = -1;
    long long written_ = 0;  // where the last complete append ended
    std::string error_;
};

// For tests: a disk that fills in the middle of a write. size(path) is the
// file's size when the disk is full (negative: no limit); a write that
// would pass it writes the bytes that fit, then fails with ENOSPC.
void SetFileSizeLimitForTesting(std::function<long long(const std::string& path)> size);

}  // namespace tavro
