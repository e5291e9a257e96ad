// CVEX.INI in memory, read and changed by the rules of the Windows profile
// functions, so that a whole file can be read once and written once per call
// and still hold exactly the bytes that key-by-key profile calls would leave.
#pragma once
#include <cstddef>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cvx::portable {

class Profile {
public:
    // Parses the text of a file in the ANSI code page; an absent file is an
    // empty text.
    explicit Profile(std::string_view bytes = {});
    Profile(const Profile &other);
    Profile &operator=(const Profile &other);
    Profile(Profile &&) = default;
    Profile &operator=(Profile &&) = default;

    // The file as the profile functions write it.
    std::string Text() const;
    // Whether a change has been made since parsing (a write of the stored
    // value, or a delete of nothing, is no change).
    bool Changed() const { return changed_; }

    // GetPrivateProfileStringA with a key: the value, or the default with its
    // trailing blanks removed; one pair of enclosing quotes dropped; cut to
    // size-1 characters. Returns the length copied.
    size_t GetString(std::string_view section, std::string_view key, const char *fallback, char *buffer,
                     size_t size) const;
    // GetPrivateProfileIntA.
    unsigned GetInt(std::string_view section, std::string_view key, int fallback) const;
    // The value GetString would give, without a buffer's limit.
    std::string Get(std::string_view section, std::string_view key, std::string_view fallback = {}) const;
    bool Has(std::string_view section, std::string_view key) const;

    // The keys that GetPrivateProfileStringA lists for a null key (no
    // comments, no lines without '='), and the names of the sections.
    std::vector<std::string> Keys(std::string_view section) const;
    std::vector<std::string> SectionNames() const;

    // WritePrivateProfileStringA: a null key deletes the section, a null
    // value the key.
    void Write(std::string_view section, const char *key, const char *value);
    // Copies every listed key of source into destination as the profile
    // calls would (value read, then written), then deletes source.
    void MoveSection(std::string_view source, std::string_view destination);

private:
    struct Key {
        std::string name;
        std::optional<std::string> value;
    };
    struct Section {
        std::string name;
        std::vector<Key> keys;
    };

    using SectionList = std::list<Section>;
    void Changed(bool unusual);
    void Reindex();
    Section &Append(std::string name);
    // The sections of a name (compared without ASCII case), in file order.
    const std::vector<SectionList::iterator> *Named(std::string_view name) const;
    Section *FindSection(std::string_view name);
    const Section *FindSection(std::string_view name) const;
    const Key *FindKey(std::string_view section, std::string_view key) const;

    SectionList sections_;  // the first may hold the keys above any header
    // Every section by its name folded to lower case: a walk of a hundred
    // numbered sections looks each up without passing all the others.
    std::unordered_map<std::string, std::vector<SectionList::iterator>> index_;
    bool changed_ = false;
    // Holds what a write and a new read would not give back as it stands.
    bool fragile_ = false;
    // The text of the last change, when the file read again differs from it.
    std::optional<std::string> written_;
};

// Whether a text would stay one line of the file (no CR, no LF).
bool IsOneLine(const char *text);

}  // namespace cvx::portable
