#pragma once
// The core's UTF-8 texts as the windows' strings.

#include <QString>

#include <string_view>

namespace stepdown {

inline QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace stepdown
