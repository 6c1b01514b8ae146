#include "cli/JsonWriter.h"

#include <cmath>

#include "waveformview/WaveformCsv.h"

namespace stepdown::cli {
namespace {

using Document = nlohmann::ordered_json;

// As nlohmann's dump with an indent of two, except for the numbers.
void Write(std::string& out, const Document& value, std::size_t depth) {
    if (value.is_number_float()) {
        out += JsonNumber(value.get<double>());
        return;
    }
    if (!value.is_structured() || value.empty()) {
        out += value.dump(-1, ' ', false, Document::error_handler_t::replace);
        return;
    }
    const bool object = value.is_object();
    const std::string inner((depth + 1) * 2, ' ');
    out += object ? "{\n" : "[\n";
    bool first = true;
    for (const auto& [key, member] : value.items()) {
        if (!first) out += ",\n";
        first = false;
        out += inner;
        if (object) out += JsonString(key) + ": ";
        Write(out, member, depth + 1);
    }
    out += '\n' + std::string(depth * 2, ' ') + (object ? '}' : ']');
}

}  // namespace

std::string JsonString(std::string_view text) {
    return Document(std::string(text)).dump(-1, ' ', false, Document::error_handler_t::replace);
}

std::string JsonNumber(double value) {
    return std::isfinite(value) ? RoundTripText(value) : "null";
}

JsonObject& JsonObject::Number(std::string_view key, double value) {
    document_[std::string(key)] = value;
    return *this;
}

JsonObject& JsonObject::Integer(std::string_view key, std::int64_t value) {
    document_[std::string(key)] = value;
    return *this;
}

JsonObject& JsonObject::String(std::string_view key, std::string_view value) {
    document_[std::string(key)] = std::string(value);
    return *this;
}

JsonObject& JsonObject::Object(std::string_view key, JsonObject value) {
    document_[std::string(key)] = std::move(value.document_);
    return *this;
}

JsonObject& JsonObject::Array(std::string_view key, std::vector<JsonObject> items) {
    Document array = Document::array();
    for (JsonObject& item : items) array.push_back(std::move(item.document_));
    document_[std::string(key)] = std::move(array);
    return *this;
}

JsonObject& JsonObject::Boolean(std::string_view key, bool value) {
    document_[std::string(key)] = value;
    return *this;
}

JsonObject& JsonObject::Null(std::string_view key) {
    document_[std::string(key)] = nullptr;
    return *this;
}

JsonObject& JsonObject::Numbers(std::string_view key, const std::vector<double>& values) {
    document_[std::string(key)] = values;
    return *this;
}

JsonObject& JsonObject::Strings(std::string_view key, const std::vector<std::string>& values) {
    document_[std::string(key)] = values;
    return *this;
}

std::string JsonObject::Text() const {
    std::string out;
    Write(out, document_, 0);
    return out;
}

}  // namespace stepdown::cli
