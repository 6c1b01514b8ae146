#include "cli/JsonWriter.h"

#include <cmath>

#include "simulation/WaveformCsv.h"

namespace stepdown::cli {

std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text) {
        const auto unit = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (unit < 0x20) {
                out += "\\u00";
                out += kHex[unit >> 4];
                out += kHex[unit & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

std::string JsonNumber(double value) {
    return std::isfinite(value) ? RoundTripText(value) : "null";
}

JsonObject& JsonObject::Number(std::string_view key, double value) {
    members_.push_back({std::string(key), JsonNumber(value), nullptr});
    return *this;
}

JsonObject& JsonObject::Integer(std::string_view key, std::int64_t value) {
    members_.push_back({std::string(key), std::to_string(value), nullptr});
    return *this;
}

JsonObject& JsonObject::String(std::string_view key, std::string_view value) {
    members_.push_back({std::string(key), JsonString(value), nullptr});
    return *this;
}

JsonObject& JsonObject::Object(std::string_view key, JsonObject value) {
    members_.push_back({std::string(key), {}, std::make_shared<JsonObject>(std::move(value))});
    return *this;
}

JsonObject& JsonObject::Boolean(std::string_view key, bool value) {
    members_.push_back({std::string(key), value ? "true" : "false", nullptr});
    return *this;
}

JsonObject& JsonObject::Null(std::string_view key) {
    members_.push_back({std::string(key), "null", nullptr});
    return *this;
}

std::string JsonObject::Text() const {
    std::string out;
    Write(out, 0);
    return out;
}

void JsonObject::Write(std::string& out, int depth) const {
    if (members_.empty()) {
        out += "{}";
        return;
    }
    const std::string inner(static_cast<std::size_t>(depth + 1) * 2, ' ');
    out += "{\n";
    for (std::size_t i = 0; i < members_.size(); ++i) {
        const Member& member = members_[i];
        out += inner;
        out += JsonString(member.key);
        out += ": ";
        if (member.child)
            member.child->Write(out, depth + 1);
        else
            out += member.scalar;
        if (i + 1 < members_.size()) out += ',';
        out += '\n';
    }
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += '}';
}

}  // namespace stepdown::cli
