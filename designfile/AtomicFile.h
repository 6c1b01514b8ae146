#pragma once
// Replacing a file all at once, as QSaveFile does for the windows: readers of
// the path see either the old content or the whole new one, never a part.

#include <string>
#include <string_view>

namespace stepdown {

struct SaveOutcome {
    bool saved = false;
    // When not saved: "Impossibile scrivere il file <path>: <reason>".
    std::string message;
};

// Writes `bytes` to a new file beside `path` (same folder, so the rename
// cannot cross file systems), flushes it to the disk with fsync and renames
// it over `path`. A file already at `path` passes its permission bits on.
// On any failure the new file is removed, `path` is left as it was, and the
// outcome carries the system's reason (strerror).
SaveOutcome WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace stepdown
