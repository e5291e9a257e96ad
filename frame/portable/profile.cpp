#include "frame/portable/profile.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace cvx::portable {
namespace {

// The profile functions' blanks: tab to carriage return, space, and ^Z, the
// DOS end of file (not the no-break space, nor the separators 1C to 1F).
bool IsBlank(unsigned char c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A; }

// Names compare without regard to ASCII case only, as the profile
// functions compare them.
unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

std::string Folded(std::string_view name)
{
    std::string folded(name);
    for (char &c : folded) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
    return folded;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

std::string_view TrimLeft(std::string_view text)
{
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    return text;
}

std::string_view Trim(std::string_view text)
{
    text = TrimLeft(text);
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// Copies a value as the profile functions hand it out: one pair of equal
// enclosing quotes dropped, at most size-1 characters. The closing quote is
// cut from the copy whenever the text after the opening one fits, which
// takes one character more than needed when the buffer is exactly that size.
size_t CopyEntry(std::string_view value, char *buffer, size_t size)
{
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                  value.back() == value.front();
    if (quoted) value.remove_prefix(1);
    size_t n = std::min(value.size(), size - 1);
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    if (quoted && size >= value.size() && n > 0) buffer[--n] = '\0';
    return n;
}

std::string Unquoted(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return std::string(value.substr(1, value.size() - 2));
    return std::string(value);
}

// The default of a read loses its trailing spaces (spaces only).
std::string_view Fallback(const char *fallback)
{
    std::string_view text = fallback ? fallback : "";
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// RtlUnicodeStringToInteger with base 0, as the integer read parses.
unsigned ParseInteger(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    bool minus = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) minus = text[i++] == '-';
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        if (text[i + 1] == 'b') base = 2, i += 2;
        else if (text[i + 1] == 'o') base = 8, i += 2;
        else if (text[i + 1] == 'x') base = 16, i += 2;
    }
    unsigned total = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = unsigned(c - '0');
        else if (c >= 'A' && c <= 'Z') digit = unsigned(c - 'A' + 10);
        else if (c >= 'a' && c <= 'z') digit = unsigned(c - 'a' + 10);
        else break;
        if (digit >= base) break;
        total = total * base + digit;
    }
    return minus ? 0u - total : total;
}

}  // namespace

bool IsOneLine(const char *text)
{
    return !text || !std::strpbrk(text, "\r\n");
}

Profile::Profile(std::string_view bytes)
{
    Section *section = &sections_.emplace_back();
    while (!bytes.empty()) {
        // Lines end at a line feed; where none follows, at a carriage return.
        size_t end = bytes.find('\n');
        if (end == std::string_view::npos) end = bytes.find('\r');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        line = Trim(line);
        if (line.empty()) continue;
        if (line.front() == '[') {
            size_t close = line.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                section = &sections_.emplace_back(Section{std::string(Trim(line.substr(1, close - 1))), {}});
                continue;
            }
        }
        Key key;
        size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            key.name = line;
        } else {
            key.name = Trim(line.substr(0, equals));
            key.value = std::string(TrimLeft(line.substr(equals + 1)));
        }
        // A run of lines with no name keeps only its first.
        if (!key.name.empty() || section->keys.empty() || !section->keys.back().name.empty())
            section->keys.push_back(std::move(key));
    }
    // Keys above the first header form a section without a name, which
    // exists only when there are such keys.
    if (sections_.front().keys.empty()) sections_.erase(sections_.begin());
    bool first = true;
    for (const Section &s : sections_) {
        fragile_ = fragile_ || (!first && s.name.empty());
        for (const Key &k : s.keys) fragile_ = fragile_ || k.name.empty();
        first = false;
    }
    Reindex();
}

Profile::Profile(const Profile &other)
    : sections_(other.sections_), changed_(other.changed_), fragile_(other.fragile_), written_(other.written_)
{
    Reindex();
}

Profile &Profile::operator=(const Profile &other)
{
    if (this != &other) {
        sections_ = other.sections_;
        changed_ = other.changed_;
        fragile_ = other.fragile_;
        written_ = other.written_;
        Reindex();
    }
    return *this;
}

void Profile::Reindex()
{
    index_.clear();
    for (auto it = sections_.begin(); it != sections_.end(); ++it) index_[Folded(it->name)].push_back(it);
}

Profile::Section &Profile::Append(std::string name)
{
    auto it = sections_.insert(sections_.end(), Section{std::move(name), {}});
    index_[Folded(it->name)].push_back(it);
    return *it;
}

const std::vector<Profile::SectionList::iterator> *Profile::Named(std::string_view name) const
{
    auto found = index_.find(Folded(name));
    return found == index_.end() || found->second.empty() ? nullptr : &found->second;
}

std::string Profile::Text() const
{
    if (written_) return *written_;
    std::string text;
    for (const Section &section : sections_) {
        if (!section.name.empty()) text.append("[").append(section.name).append("]\r\n");
        for (const Key &key : section.keys) {
            text += key.name;
            if (key.value) text.append("=").append(*key.value);
            text += "\r\n";
        }
    }
    return text;
}

Profile::Section *Profile::FindSection(std::string_view name)
{
    return const_cast<Section *>(std::as_const(*this).FindSection(name));
}

const Profile::Section *Profile::FindSection(std::string_view name) const
{
    const auto *named = Named(Trim(name));
    return named ? &*named->front() : nullptr;
}

const Profile::Key *Profile::FindKey(std::string_view section, std::string_view key) const
{
    const Section *found = FindSection(section);
    if (!found) return nullptr;
    key = Trim(key);
    for (const Key &k : found->keys)
        if (SameName(k.name, key)) return &k;
    return nullptr;
}

bool Profile::Has(std::string_view section, std::string_view key) const
{
    const Key *found = FindKey(section, key);
    return found && found->value;
}

std::string Profile::Get(std::string_view section, std::string_view key, std::string_view fallback) const
{
    const Key *found = FindKey(section, key);
    if (found && found->value) return Unquoted(*found->value);
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    return Unquoted(fallback);
}

size_t Profile::GetString(std::string_view section, std::string_view key, const char *fallback, char *buffer,
                          size_t size) const
{
    if (!buffer || size == 0) return 0;
    const Key *found = FindKey(section, key);
    return CopyEntry(found && found->value ? std::string_view(*found->value) : Fallback(fallback), buffer, size);
}

unsigned Profile::GetInt(std::string_view section, std::string_view key, int fallback) const
{
    char text[30];
    if (GetString(section, key, "", text, sizeof text) == 0) return static_cast<unsigned>(fallback);
    return ParseInteger(text);
}

std::vector<std::string> Profile::Keys(std::string_view section) const
{
    std::vector<std::string> names;
    const auto *named = section.empty() ? nullptr : Named(section);
    if (!named) return names;
    // A key without a name ends the list as a reader of the listing sees
    // it: its entry is the list's terminator.
    for (const Key &key : named->front()->keys) {
        if (key.name.empty()) break;
        if (key.name.front() != ';' && key.value) names.push_back(key.name);
    }
    return names;
}

std::vector<std::string> Profile::SectionNames() const
{
    std::vector<std::string> names;
    for (const Section &s : sections_)
        if (!s.name.empty()) names.push_back(s.name);
    return names;
}

void Profile::Write(std::string_view section, const char *key, const char *value)
{
    // Deletes match the names as given, blanks and all, and never the
    // section without a name.
    auto named = section.empty() ? index_.end() : index_.find(Folded(section));
    if (!key) {
        if (named == index_.end() || named->second.empty()) return;
        sections_.erase(named->second.front());
        named->second.erase(named->second.begin());
        Changed(false);
        return;
    }
    if (!value) {
        if (named == index_.end()) return;
        for (SectionList::iterator s : named->second) {
            auto it = std::find_if(s->keys.begin(), s->keys.end(), [&](const Key &k) { return SameName(k.name, key); });
            if (it == s->keys.end()) continue;
            s->keys.erase(it);
            Changed(false);
            return;
        }
        return;
    }
    // Names are matched without their blanks; what is created keeps the
    // trailing blanks it was given, until the file is read again.
    std::string_view text = TrimLeft(value);
    bool unusual = text != Trim(text);
    Section *found = FindSection(section);
    if (!found) {
        std::string_view name = TrimLeft(section);
        unusual = unusual || name != Trim(name);
        found = &Append(std::string(name));
    }
    auto it = std::find_if(found->keys.begin(), found->keys.end(),
                           [&](const Key &k) { return SameName(k.name, Trim(key)); });
    if (it == found->keys.end()) {
        std::string_view name = TrimLeft(key);
        // A name that would read back as another line: a header, a name
        // with '=' in it, or none.
        unusual = unusual || name.empty() || name != Trim(name) || name.front() == '[' ||
                  name.find('=') != std::string_view::npos;
        found->keys.push_back({std::string(name), std::nullopt});
        it = found->keys.end() - 1;
    }
    if (it->value && *it->value == text) return;
    it->value = std::string(text);
    Changed(unusual);
}

// The profile functions write the file after every change and read it again
// on the next call: what reads back differently from how it stands (blanks
// around names, lines without names, sections without a header) is read the
// way the file now holds it.
void Profile::Changed(bool unusual)
{
    changed_ = true;
    written_.reset();
    if (!unusual && !fragile_) return;
    std::string text = Text();
    *this = Profile(text);
    changed_ = true;
    written_ = std::move(text);
}

void Profile::MoveSection(std::string_view source, std::string_view destination)
{
    // An absent key reads as this marker, as the key-by-key copy read it.
    static constexpr char kAbsent[] = "~bo|gU@s";
    const std::string from(source), to(destination);
    for (const std::string &key : Keys(from)) {
        std::string value = Get(from, key, kAbsent);
        Write(to, key.c_str(), value == kAbsent ? nullptr : value.c_str());
    }
    Write(from, nullptr, nullptr);
}

}  // namespace cvx::portable
