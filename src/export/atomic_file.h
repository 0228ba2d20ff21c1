// Writing a file so that a failure never leaves half a file nor destroys the
// file that was there: the text goes to a temporary file in the same folder,
// which is renamed over the target only when it is complete.
// A link as target is followed (the link stays); a pipe or a device
// (/dev/stdout) cannot be replaced and is written into.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

struct WriteResult {
    bool ok = false;
    std::string error;  // the reason, e.g. "Permission denied"
};

// Writes contents to path; "-" writes to standard output. A path that names
// one of the inputs (the same file, by any name) is refused with the reason
// "it is an input file": an export named after pass.csv must not eat it.
WriteResult WriteFileAtomically(const std::string& path, std::string_view contents,
                                const std::vector<std::string>& inputs = {});

// The same for contents made piece by piece: each call of next gives the
// next piece (valid until the following call), an empty one after the last.
using ContentPieces = std::function<std::string_view()>;
WriteResult WriteFileAtomically(const std::string& path, const ContentPieces& next,
                                const std::vector<std::string>& inputs = {});

// The same, for a file written while its contents are still being made:
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

private:
    void Close();

    std::string path_;    // as given, for the fault hook
    std::string target_;  // the file replaced (a link's target), or written into
    std::string temp_;    // the temporary file; empty when written in place
    int fd_ = -1;
    bool ownFd_ = false;  // not standard output
    int error_ = 0;       // the first failure's errno
    long long written_ = 0, handed_ = 0;  // bytes written, and handed to the disk early
};

// For tests: a hook that can fail a write once the file is open (returning
// a non-zero errno), as a full disk would. Every writer of the exports asks it.
void SetWriteFaultForTesting(std::function<int(const std::string& path)> fault);
int InjectedWriteFault(const std::string& path);  // 0: none

// Whether path names one of files (the same file by any name).
bool IsOneOf(const std::string& path, const std::vector<std::string>& files);

}  // namespace tavro
