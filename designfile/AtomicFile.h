#pragma once
// Replacing a file all at once, for the windows, the command and the report
// alike: readers of the path see either the old content or the whole new
// one, never a part.

#include <string>
#include <string_view>

namespace stepdown {

struct SaveOutcome {
    bool saved = false;
    // When not saved: "Impossibile scrivere il file <path>: <reason>".
    std::string message;
    // The reason alone, for callers that word the message their own way.
    std::string reason;
};

// Writes `bytes` to a new file beside the target (same folder, so the rename
// cannot cross file systems), flushes it to the disk with fsync and renames
// it over the target. The target is `path` or, when `path` is a symbolic
// link, the file the link leads to (created when missing), so that the link
// stays a link. A target that exists and is not a regular file (a folder, a
// FIFO, a device) is refused before anything is written. A file already at
// the target passes its permission bits on. On any failure the new file is
// removed, the target is left as it was, and the outcome carries the reason
// (strerror, or Italian words for a file that is not regular). A write
// beyond the process's file-size limit fails with EFBIG only where SIGXFSZ
// is ignored: the commands ignore it.
SaveOutcome WriteFileAtomically(const std::string& path, std::string_view bytes);

// Why `path` cannot be saved onto, found without writing: its target exists
// and is not a regular file, or a link on the way cannot be read. The empty
// text when nothing stands in the way.
std::string SaveTargetProblem(const std::string& path);

// The reason for refusing a file of this st_mode that is not a regular one:
// "non è un file regolare: è una cartella.", and so on for the other kinds.
std::string NotRegularFile(unsigned mode);

// Whether both paths, links followed, name one file (same device and inode),
// however different the paths; a file not there yet is the same when both
// would create it under one name in one folder.
bool SameFile(const std::string& first, const std::string& second);

}  // namespace stepdown
