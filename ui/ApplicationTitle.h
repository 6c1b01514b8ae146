#pragma once
// The program's short name: the caption of every message box.

namespace stepdown {

inline constexpr char kApplicationTitle[] = "stepdown";

}  // namespace stepdown
