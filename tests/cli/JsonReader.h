#pragma once
// A strict reader for the objects the command writes: objects, strings with
// the escapes JSON allows, numbers (kept as their text, read with
// std::from_chars), null. Enough to read the output back independently of
// the writer; anything else is a parse failure.

#include <charconv>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace stepdown::testing {

struct JsonValue {
    enum class Kind { Number, String, Object, Null } kind = Kind::Null;
    std::string text;  // the number's text or the decoded string
    std::vector<std::pair<std::string, JsonValue>> members;  // in order

    const JsonValue* Find(std::string_view key) const {
        for (const auto& [name, value] : members)
            if (name == key) return &value;
        return nullptr;
    }
    std::vector<std::string> Keys() const {
        std::vector<std::string> keys;
        for (const auto& member : members) keys.push_back(member.first);
        return keys;
    }
    // The number's value, bit for bit as from_chars reads its text.
    std::optional<double> Number() const {
        if (kind != Kind::Number) return std::nullopt;
        double value = 0.0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (result.ec != std::errc() || result.ptr != text.data() + text.size())
            return std::nullopt;
        return value;
    }
};

class JsonReader {
public:
    // The single value of `text`, surrounded by nothing but white space.
    static std::optional<JsonValue> Parse(std::string_view text) {
        JsonReader reader(text);
        JsonValue value;
        if (!reader.Value(value)) return std::nullopt;
        reader.SkipSpace();
        if (reader.pos_ != text.size()) return std::nullopt;
        return value;
    }

private:
    explicit JsonReader(std::string_view text) : text_(text) {}

    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                       text_[pos_] == '\t' || text_[pos_] == '\r'))
            ++pos_;
    }
    bool Take(char c) {
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool Value(JsonValue& value) {
        SkipSpace();
        if (pos_ >= text_.size()) return false;
        const char c = text_[pos_];
        if (c == '{') return Object(value);
        if (c == '"') {
            value.kind = JsonValue::Kind::String;
            return String(value.text);
        }
        if (text_.substr(pos_, 4) == "null") {
            pos_ += 4;
            value.kind = JsonValue::Kind::Null;
            return true;
        }
        return NumberText(value);
    }
    bool Object(JsonValue& value) {
        value.kind = JsonValue::Kind::Object;
        ++pos_;
        if (Take('}')) return true;
        do {
            SkipSpace();
            std::string key;
            if (!String(key) || !Take(':')) return false;
            JsonValue member;
            if (!Value(member)) return false;
            value.members.emplace_back(std::move(key), std::move(member));
        } while (Take(','));
        return Take('}');
    }
    bool String(std::string& out) {
        if (pos_ >= text_.size() || text_[pos_] != '"') return false;
        ++pos_;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) return false;
            const char e = text_[pos_++];
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (pos_ + 4 > text_.size()) return false;
                unsigned code = 0;
                const char* const first = text_.data() + pos_;
                const auto r = std::from_chars(first, first + 4, code, 16);
                if (r.ptr != first + 4 || code >= 0x80) return false;  // ASCII only
                out += static_cast<char>(code);
                pos_ += 4;
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }
    // JSON's number grammar: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
    bool NumberText(JsonValue& value) {
        const std::size_t start = pos_;
        auto digits = [&] {
            const std::size_t from = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
            return pos_ - from;
        };
        if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '0') {
            ++pos_;
        } else if (digits() == 0) {
            return false;
        }
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            if (digits() == 0) return false;
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
            if (digits() == 0) return false;
        }
        value.kind = JsonValue::Kind::Number;
        value.text = std::string(text_.substr(start, pos_ - start));
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace stepdown::testing
