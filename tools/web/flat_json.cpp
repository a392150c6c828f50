#include "flat_json.h"

#include <charconv>

namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    void SkipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n')) {
            ++at_;
        }
    }
    bool AtEnd() const { return at_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
    bool Take(char c) {
        if (Peek() != c || AtEnd()) return false;
        ++at_;
        return true;
    }
    bool TakeWord(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    bool String(std::string& out, std::string& error) {
        if (!Take('"')) return Fail(error, "a string was expected");
        while (!AtEnd()) {
            const char c = text_[at_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return Fail(error, "a control character inside a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (AtEnd()) break;
            const char e = text_[at_++];
            switch (e) {
                case '"': case '\\': case '/': out += e; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    constexpr size_t kHexDigits = 4;
                    if (text_.size() - at_ < kHexDigits) return Fail(error, "a broken \\u escape");
                    unsigned value = 0;
                    for (size_t i = 0; i < kHexDigits; ++i) {
                        const char h = text_[at_++];
                        value <<= 4;
                        if (h >= '0' && h <= '9') value |= static_cast<unsigned>(h - '0');
                        else if (h >= 'a' && h <= 'f') value |= static_cast<unsigned>(h - 'a' + 10);
                        else if (h >= 'A' && h <= 'F') value |= static_cast<unsigned>(h - 'A' + 10);
                        else return Fail(error, "a broken \\u escape");
                    }
                    // Only the plain characters matter to the bridge; others become '?'.
                    out += value < 0x80 ? static_cast<char>(value) : '?';
                    break;
                }
                default: return Fail(error, "an unknown escape in a string");
            }
        }
        return Fail(error, "a string is not closed");
    }

    bool Number(double& out, std::string& error) {
        // JSON's number grammar: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
        const size_t start = at_;
        Take('-');
        if (Take('0')) {
        } else if (Digits() == 0) {
            return Fail(error, "a value was expected");
        }
        if (Take('.') && Digits() == 0) return Fail(error, "a broken number");
        if (Peek() == 'e' || Peek() == 'E') {
            ++at_;
            if (!Take('+')) Take('-');
            if (Digits() == 0) return Fail(error, "a broken number");
        }
        const char* first = text_.data() + start;
        const auto [end, result] = std::from_chars(first, text_.data() + at_, out);
        if (result != std::errc() || end != text_.data() + at_) return Fail(error, "a number out of range");
        return true;
    }

    static bool Fail(std::string& error, const char* what) {
        error = what;
        return false;
    }

private:
    size_t Digits() {
        size_t count = 0;
        while (!AtEnd() && text_[at_] >= '0' && text_[at_] <= '9') {
            ++at_;
            ++count;
        }
        return count;
    }

    std::string_view text_;
    size_t at_ = 0;
};

}  // namespace

bool ReadFlatJson(std::string_view text, FlatJsonObject& out, std::string& error) {
    out.clear();
    Reader r(text);
    r.SkipBlanks();
    if (!r.Take('{')) return Reader::Fail(error, "the body must be a JSON object");
    r.SkipBlanks();
    if (!r.Take('}')) {
        for (;;) {
            r.SkipBlanks();
            std::string key;
            if (!r.String(key, error)) return false;
            r.SkipBlanks();
            if (!r.Take(':')) return Reader::Fail(error, "':' was expected after a key");
            r.SkipBlanks();
            FlatJsonValue value;
            if (r.Peek() == '"') {
                value.Type = FlatJsonValue::Kind::String;
                if (!r.String(value.Text, error)) return false;
            } else if (r.TakeWord("true")) {
                value.Type = FlatJsonValue::Kind::Bool;
                value.Flag = true;
            } else if (r.TakeWord("false")) {
                value.Type = FlatJsonValue::Kind::Bool;
            } else if (r.TakeWord("null")) {
                value.Type = FlatJsonValue::Kind::Null;
            } else if (r.Peek() == '{' || r.Peek() == '[') {
                return Reader::Fail(error, "nested objects and arrays are not accepted");
            } else {
                value.Type = FlatJsonValue::Kind::Number;
                if (!r.Number(value.Number, error)) return false;
            }
            if (!out.emplace(std::move(key), std::move(value)).second) {
                return Reader::Fail(error, "a key is given twice");
            }
            r.SkipBlanks();
            if (r.Take('}')) break;
            if (!r.Take(',')) return Reader::Fail(error, "',' or '}' was expected");
        }
    }
    r.SkipBlanks();
    if (!r.AtEnd()) return Reader::Fail(error, "text follows the object");
    return true;
}
