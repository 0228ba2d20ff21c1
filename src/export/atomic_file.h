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

// The same for a file only its owner may read (mode 0600 whatever it had
// before): conf.ini, which may hold a token.
WriteResult WritePrivateFileAtomically(const std::string& path, std::string_view contents);

// For tests: a hook that can fail a write once the file is open (returning
// a non-zero errno), as a full disk would. Every writer of the exports asks it.
void SetWriteFaultForTesting(std::function<int(const std::string& path)> fault);
int InjectedWriteFault(const std::string& path);  // 0: none

// Whether path names one of files (the same file by any name).
bool IsOneOf(const std::string& path, const std::vector<std::string>& files);

}  // namespace tavro
