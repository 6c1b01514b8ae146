#pragma once
// UTF-8 validity of bytes that a file or a command line hands over.

#include <cstddef>
#include <string_view>

namespace stepdown {

// Where the first byte lies that does not begin or continue a well-formed
// UTF-8 sequence (RFC 3629: no overlong forms, no surrogates, nothing beyond
// U+10FFFF), or std::string_view::npos when all of `text` is well formed.
// A sequence cut short by the end of `text` is ill-formed at its first byte.
std::size_t FirstInvalidUtf8(std::string_view text);

}  // namespace stepdown
