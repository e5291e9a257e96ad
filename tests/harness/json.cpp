#include "harness/json.h"

#include <cstdlib>

namespace cvxtest {

const Json &Json::operator[](const std::string &key) const
{
    static const Json none;
    auto it = object.find(key);
    return it == object.end() ? none : it->second;
}

const Json &Json::operator[](size_t index) const
{
    static const Json none;
    return index < array.size() ? array[index] : none;
}

std::vector<std::string> Json::Strings() const
{
    std::vector<std::string> out;
    for (const Json &item : array) out.push_back(item.string);
    return out;
}

namespace {

class Parser {
public:
    explicit Parser(const std::string &text) : s_(text) {}

    bool Whole(Json *value)
    {
        if (!Parse(value)) return false;
        Skip();
        return pos_ == s_.size() || Fail("text after the value");
    }
    std::string error;

private:
    bool Fail(const char *what)
    {
        if (error.empty()) error = std::string(what) + " at offset " + std::to_string(pos_);
        return false;
    }
    void Skip()
    {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t')) ++pos_;
    }
    bool Literal(const char *word)
    {
        std::string w = word;
        if (s_.compare(pos_, w.size(), w) != 0) return Fail("unknown word");
        pos_ += w.size();
        return true;
    }
    static void PutUtf8(std::string &out, unsigned cp)
    {
        if (cp < 0x80) out += static_cast<char>(cp);
        else if (cp < 0x800) out += static_cast<char>(0xC0 | (cp >> 6)), out += static_cast<char>(0x80 | (cp & 0x3F));
        else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool String(std::string *out)
    {
        ++pos_;  // the opening quote
        while (pos_ < s_.size() && s_[pos_] != '"') {
            char c = s_[pos_++];
            if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in a string");
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (pos_ == s_.size()) break;
            char e = s_[pos_++];
            switch (e) {
            case '"': case '\\': case '/': *out += e; break;
            case 'n': *out += '\n'; break;
            case 'r': *out += '\r'; break;
            case 't': *out += '\t'; break;
            case 'b': *out += '\b'; break;
            case 'f': *out += '\f'; break;
            case 'u': {
                if (pos_ + 4 > s_.size()) return Fail("short \\u escape");
                PutUtf8(*out, static_cast<unsigned>(std::strtoul(s_.substr(pos_, 4).c_str(), nullptr, 16)));
                pos_ += 4;
                break;
            }
            default: return Fail("unknown escape");
            }
        }
        if (pos_ == s_.size()) return Fail("unterminated string");
        ++pos_;
        return true;
    }
    bool Parse(Json *value)
    {
        Skip();
        if (pos_ == s_.size()) return Fail("missing value");
        char c = s_[pos_];
        if (c == '{') {
            value->kind = Json::kObject;
            ++pos_;
            Skip();
            if (pos_ < s_.size() && s_[pos_] == '}') return ++pos_, true;
            for (;;) {
                Skip();
                if (pos_ == s_.size() || s_[pos_] != '"') return Fail("expected a member name");
                std::string key;
                if (!String(&key)) return false;
                Skip();
                if (pos_ == s_.size() || s_[pos_] != ':') return Fail("expected ':'");
                ++pos_;
                if (!Parse(&value->object[key])) return false;
                Skip();
                if (pos_ < s_.size() && s_[pos_] == ',') { ++pos_; continue; }
                if (pos_ < s_.size() && s_[pos_] == '}') return ++pos_, true;
                return Fail("expected ',' or '}'");
            }
        }
        if (c == '[') {
            value->kind = Json::kArray;
            ++pos_;
            Skip();
            if (pos_ < s_.size() && s_[pos_] == ']') return ++pos_, true;
            for (;;) {
                value->array.emplace_back();
                if (!Parse(&value->array.back())) return false;
                Skip();
                if (pos_ < s_.size() && s_[pos_] == ',') { ++pos_; continue; }
                if (pos_ < s_.size() && s_[pos_] == ']') return ++pos_, true;
                return Fail("expected ',' or ']'");
            }
        }
        if (c == '"') return value->kind = Json::kString, String(&value->string);
        if (c == 't') return value->kind = Json::kBool, value->boolean = true, Literal("true");
        if (c == 'f') return value->kind = Json::kBool, Literal("false");
        if (c == 'n') return Literal("null");
        if (c == '-' || (c >= '0' && c <= '9')) {
            char *end = nullptr;
            value->kind = Json::kNumber;
            value->number = std::strtod(s_.c_str() + pos_, &end);
            pos_ = end - s_.c_str();
            return true;
        }
        return Fail("unexpected character");
    }

    const std::string &s_;
    size_t pos_ = 0;
};

}  // namespace

bool ParseJson(const std::string &text, Json *value, std::string *error)
{
    *value = Json{};
    Parser parser(text);
    bool ok = parser.Whole(value);
    if (error) *error = parser.error;
    return ok;
}

}  // namespace cvxtest
