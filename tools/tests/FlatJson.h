// A reader for the JSON objects kr70-analyse prints: string, number,
// true/false/null, arrays and nested objects. Keys keep their order.
#ifndef KR70_TOOLS_TESTS_FLATJSON_H
#define KR70_TOOLS_TESTS_FLATJSON_H

#include <cctype>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kr70::test {

struct JsonValue {
    enum Kind { String, Number, Bool, Null, Array, Object } kind = Null;
    std::string text;
    double number = 0;
    bool boolean = false;
    std::vector<std::optional<double>> array;  // an array's numbers and nulls
    std::vector<JsonValue> items;              // every element of an array
    std::vector<std::pair<std::string, JsonValue>> members;  // an object's

    // The member of that key; a Null value when there is none.
    const JsonValue& operator[](const std::string& key) const {
        for (const auto& [k, v] : members) {
            if (k == key) return v;
        }
        static const JsonValue missing;
        return missing;
    }
};

using JsonObject = std::vector<std::pair<std::string, JsonValue>>;

class FlatJsonReader {
public:
    explicit FlatJsonReader(const std::string& text) : s_(text) {}

    // The object, or nothing when the text is not one object.
    std::optional<JsonObject> Object() {
        JsonObject object;
        if (!ReadMembers(object)) return std::nullopt;
        return End(object);
    }

private:
    bool ReadMembers(JsonObject& object) {
        if (!Take('{')) return false;
        if (Take('}')) return true;
        do {
            std::string key;
            JsonValue value;
            if (!ReadString(key) || !Take(':') || !ReadValue(value)) return false;
            object.emplace_back(key, value);
        } while (Take(','));
        return Take('}');
    }
    std::optional<JsonObject> End(JsonObject& object) {
        Skip();
        if (i_ != s_.size()) return std::nullopt;
        return object;
    }
    void Skip() {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
    }
    bool Take(char c) {
        Skip();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool Word(const char* word) {
        Skip();
        const std::string w(word);
        if (s_.compare(i_, w.size(), w) == 0) {
            i_ += w.size();
            return true;
        }
        return false;
    }
    bool ReadString(std::string& out) {
        if (!Take('"')) return false;
        while (i_ < s_.size() && s_[i_] != '"') {
            if (s_[i_] == '\\') {
                if (++i_ >= s_.size()) return false;
                const char e = s_[i_];
                out += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
                if (e == 'u') {
                    out.back() = static_cast<char>(std::strtol(s_.substr(i_ + 1, 4).c_str(), nullptr, 16));
                    i_ += 4;
                }
                ++i_;
            } else {
                out += s_[i_++];
            }
        }
        return Take('"');
    }
    bool ReadNumber(double& out) {
        Skip();
        const char* begin = s_.c_str() + i_;
        char* end = nullptr;
        out = std::strtod(begin, &end);
        if (end == begin) return false;
        i_ += static_cast<size_t>(end - begin);
        return true;
    }
    bool ReadValue(JsonValue& v) {
        Skip();
        if (i_ < s_.size() && s_[i_] == '"') {
            v.kind = JsonValue::String;
            return ReadString(v.text);
        }
        if (Word("null")) return (v.kind = JsonValue::Null), true;
        if (Word("true")) return (v.kind = JsonValue::Bool, v.boolean = true), true;
        if (Word("false")) return (v.kind = JsonValue::Bool, v.boolean = false), true;
        if (i_ < s_.size() && s_[i_] == '{') {
            v.kind = JsonValue::Object;
            return ReadMembers(v.members);
        }
        if (Take('[')) {
            v.kind = JsonValue::Array;
            if (Take(']')) return true;
            do {
                JsonValue item;
                if (!ReadValue(item)) return false;
                if (item.kind == JsonValue::Null) v.array.emplace_back();
                if (item.kind == JsonValue::Number) v.array.emplace_back(item.number);
                v.items.push_back(std::move(item));
            } while (Take(','));
            return Take(']');
        }
        v.kind = JsonValue::Number;
        return ReadNumber(v.number);
    }

    const std::string& s_;
    size_t i_ = 0;
};

}  // namespace kr70::test

#endif
