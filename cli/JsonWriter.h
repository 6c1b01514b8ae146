#pragma once
// A small JSON object builder for the command's output: members keep their
// insertion order, numbers are written in shortest round-trip form.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace stepdown::cli {

// The text in double quotes: quote, backslash and the control characters
// escaped, everything else (UTF-8 included) copied as it is.
std::string JsonString(std::string_view text);

// Shortest round-trip form; null for a value that is not finite, which JSON
// cannot hold.
std::string JsonNumber(double value);

class JsonObject {
public:
    JsonObject& Number(std::string_view key, double value);
    JsonObject& Integer(std::string_view key, std::int64_t value);
    JsonObject& String(std::string_view key, std::string_view value);
    JsonObject& Object(std::string_view key, JsonObject value);
    JsonObject& Boolean(std::string_view key, bool value);
    JsonObject& Null(std::string_view key);

    // One member per line, indented by two spaces per level, no final line end.
    std::string Text() const;

private:
    struct Member {
        std::string key;
        std::string scalar;                 // the written value, unless child is set
        std::shared_ptr<JsonObject> child;  // a nested object
    };
    void Write(std::string& out, int depth) const;

    std::vector<Member> members_;
};

}  // namespace stepdown::cli
