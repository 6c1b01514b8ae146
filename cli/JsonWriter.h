#pragma once
// A small JSON object builder for the command's output on nlohmann's
// document: members keep their insertion order, strings are escaped by
// nlohmann, numbers are written in shortest round-trip form ("125", not
// nlohmann's "125.0").

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace stepdown::cli {

// The text in double quotes: quote, backslash and the control characters
// escaped, everything else (UTF-8 included) copied as it is; a byte that is
// not UTF-8 becomes U+FFFD.
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
    JsonObject& Array(std::string_view key, std::vector<JsonObject> items);
    JsonObject& Boolean(std::string_view key, bool value);
    JsonObject& Null(std::string_view key);
    JsonObject& Numbers(std::string_view key, const std::vector<double>& values);
    JsonObject& Strings(std::string_view key, const std::vector<std::string>& values);

    // One member or array item per line, indented by two spaces per level, no
    // final line end.
    std::string Text() const;

private:
    nlohmann::ordered_json document_ = nlohmann::ordered_json::object();
};

}  // namespace stepdown::cli
