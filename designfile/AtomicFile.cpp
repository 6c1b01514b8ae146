#include "designfile/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace stepdown {
namespace {

SaveOutcome Failure(const std::string& path, int reason) {
    return {false, "Impossibile scrivere il file " + path + ": " + std::strerror(reason)};
}

// A new file beside `path` that nobody else has, past those a crash may have
// left: the descriptor, or -1 with errno set.
int CreateSibling(const std::string& path, std::string& sibling) {
    constexpr int kLastAttempt = 99;
    for (int attempt = 0;; ++attempt) {
        sibling = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int descriptor =
            ::open(sibling.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor != -1 || errno != EEXIST) return descriptor;
        if (attempt == kLastAttempt) return -1;
    }
}

// All of `bytes`, however many calls write() takes; false with errno set.
bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written == -1) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The old file's permission bits, so that replacing it does not change who
// may read it; nothing to do without an old file.
bool KeepPermissions(int descriptor, const std::string& path) {
    struct stat old {};
    if (::stat(path.c_str(), &old) != 0) return true;
    return ::fchmod(descriptor, old.st_mode & 07777) == 0;
}

}  // namespace

SaveOutcome WriteFileAtomically(const std::string& path, std::string_view bytes) {
    std::string sibling;
    const int descriptor = CreateSibling(path, sibling);
    if (descriptor == -1) return Failure(path, errno);
    int reason = 0;
    if (!WriteAll(descriptor, bytes) || !KeepPermissions(descriptor, path) ||
        ::fsync(descriptor) != 0)
        reason = errno;
    // After fsync the data is on the disk: close has no error of its own left.
    ::close(descriptor);
    if (reason == 0 && std::rename(sibling.c_str(), path.c_str()) != 0) reason = errno;
    if (reason == 0) return {true, {}};
    ::unlink(sibling.c_str());
    return Failure(path, reason);
}

}  // namespace stepdown
