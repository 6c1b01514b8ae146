#include "designfile/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>

namespace stepdown {
namespace {

SaveOutcome Failure(const std::string& path, const std::string& reason) {
    return {false, "Impossibile scrivere il file " + path + ": " + reason, reason};
}

// The file `path` leads to once symbolic links are followed, each relative
// one from its own folder; false with errno set when a link cannot be read
// or the chain does not end.
bool FollowLinks(const std::string& path, std::string& target) {
    constexpr int kMaxLinks = 40;  // the kernel's own limit: it follows 40, not 41
    target = path;
    // One more pass than links allowed: the last finds the file or a link too many.
    for (int followed = 0; followed <= kMaxLinks; ++followed) {
        struct stat status {};
        // Missing, or unreachable: the open that follows tells why, if it must.
        if (::lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return true;
        std::string leadsTo(PATH_MAX, '\0');
        const ssize_t length = ::readlink(target.c_str(), leadsTo.data(), leadsTo.size());
        if (length <= 0) return false;
        leadsTo.resize(static_cast<std::size_t>(length));
        const std::size_t slash = target.rfind('/');
        if (leadsTo.front() != '/' && slash != std::string::npos)
            leadsTo.insert(0, target, 0, slash + 1);
        target = std::move(leadsTo);
    }
    errno = ELOOP;
    return false;
}

// The target of `path` and its status when it exists; the reason it cannot
// be saved onto, or the empty text.
std::string Examine(const std::string& path, std::string& target,
                    std::optional<struct stat>& found) {
    if (!FollowLinks(path, target)) return std::strerror(errno);
    struct stat status {};
    if (::lstat(target.c_str(), &status) != 0) return {};
    found = status;
    return S_ISREG(status.st_mode) ? std::string() : NotRegularFile(status.st_mode);
}

// A new file beside `target` that nobody else has, past those a crash may
// have left: the descriptor, or -1 with errno set.
int CreateSibling(const std::string& target, std::string& sibling) {
    constexpr int kLastAttempt = 99;
    for (int attempt = 0;; ++attempt) {
        sibling = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
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

}  // namespace

SaveOutcome WriteFileAtomically(const std::string& path, std::string_view bytes) {
    std::string target;
    std::optional<struct stat> old;
    if (std::string problem = Examine(path, target, old); !problem.empty())
        return Failure(path, problem);
    std::string sibling;
    const int descriptor = CreateSibling(target, sibling);
    if (descriptor == -1) return Failure(path, std::strerror(errno));
    int reason = 0;
    // The old file's permission bits, so that replacing it does not change
    // who may read it.
    if (!WriteAll(descriptor, bytes) || (old && ::fchmod(descriptor, old->st_mode & 07777) != 0) ||
        ::fsync(descriptor) != 0)
        reason = errno;
    // After fsync the data is on the disk: close has no error of its own left.
    ::close(descriptor);
    if (reason == 0 && std::rename(sibling.c_str(), target.c_str()) != 0) reason = errno;
    if (reason == 0) return {true, {}, {}};
    ::unlink(sibling.c_str());
    return Failure(path, std::strerror(reason));
}

std::string SaveTargetProblem(const std::string& path) {
    std::string target;
    std::optional<struct stat> found;
    return Examine(path, target, found);
}

std::string NotRegularFile(unsigned mode) {
    const char* kind = "è un file di tipo speciale";
    if (S_ISDIR(mode))
        kind = "è una cartella";
    else if (S_ISFIFO(mode))
        kind = "è una FIFO (pipe con nome)";
    else if (S_ISCHR(mode) || S_ISBLK(mode))
        kind = "è un dispositivo";
    else if (S_ISSOCK(mode))
        kind = "è un socket";
    return std::string("non è un file regolare: ") + kind + ".";
}

bool SameFile(const std::string& first, const std::string& second) {
    // Where each write would land: the file the links lead to, or, when it
    // does not exist yet, its name in the folder that would hold it.
    struct Place {
        bool exists = false;
        struct stat status {};
        std::string name;
    };
    const auto placeOf = [](const std::string& path, Place& place) {
        std::string target;
        if (!FollowLinks(path, target)) return false;
        place.exists = ::stat(target.c_str(), &place.status) == 0;
        if (place.exists) return true;
        const std::size_t slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
        place.name = target.substr(slash == std::string::npos ? 0 : slash + 1);
        return ::stat(folder.c_str(), &place.status) == 0;
    };
    Place one;
    Place other;
    return placeOf(first, one) && placeOf(second, other) && one.exists == other.exists &&
           one.name == other.name && one.status.st_dev == other.status.st_dev &&
           one.status.st_ino == other.status.st_ino;
}

}  // namespace stepdown
