#pragma once
// The check the fuzz targets share: a failed property is a crash for
// libFuzzer, which then keeps the input; the reason goes to stderr.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace stepdown::fuzz {

inline void Require(bool condition, std::string_view what, std::string_view detail = {}) {
    if (condition) return;
    const std::string report =
        "property violated: " + std::string(what) + " [" + std::string(detail) + "]\n";
    std::fputs(report.c_str(), stderr);
    std::abort();
}

}  // namespace stepdown::fuzz
