#pragma once
// Whether a text holds a part, and the check that it holds each of several.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace stepdown {

inline bool Has(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// Each of `parts` somewhere in `text`: a missing one is told with the text.
inline void ExpectHas(const std::string& text, std::initializer_list<std::string_view> parts) {
    for (const std::string_view part : parts)
        EXPECT_NE(text.find(part), std::string::npos) << part << " in:\n" << text;
}

}  // namespace stepdown
