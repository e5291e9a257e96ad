// Results of cvxcfg commands: records and lists of records, printed as text
// for people or as JSON for scripts.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace cvxcfg {

struct Invocation;

struct Value {
    enum Kind { kText, kNumber, kFlag, kList, kNull } kind = kNull;
    std::string text;
    long long number = 0;
    bool flag = false;
    std::vector<std::string> list;

    static Value Text(std::string text);
    static Value Number(long long number);
    static Value Flag(bool flag);
    static Value List(std::vector<std::string> list);
    static Value Null();
};

// Fields in the order they are shown; keys are the JSON member names.
class Record {
public:
    Record &Add(const char *key, Value value)
    {
        fields_.emplace_back(key, std::move(value));
        return *this;
    }
    Record &Text(const char *key, std::string text) { return Add(key, Value::Text(std::move(text))); }
    Record &Number(const char *key, long long n) { return Add(key, Value::Number(n)); }
    Record &Flag(const char *key, bool flag) { return Add(key, Value::Flag(flag)); }
    Record &List(const char *key, std::vector<std::string> list) { return Add(key, Value::List(std::move(list))); }
    const std::vector<std::pair<std::string, Value>> &Fields() const { return fields_; }

private:
    std::vector<std::pair<std::string, Value>> fields_;
};

// One record: "key: value" lines, or a JSON object.
void PrintRecord(const Invocation &call, const Record &record);
// A listing: aligned columns under a header (or "(none)"), or a JSON array.
// Columns lists the keys shown as text; all fields go to JSON.
void PrintList(const Invocation &call, const std::vector<Record> &records, const std::vector<const char *> &columns);
// A one-line confirmation for people; JSON callers get {"done": message}.
void PrintDone(const Invocation &call, const std::string &message);

// Texts of the ANSI code page as UTF-8, escaped for JSON.
std::string JsonString(const std::string &ansi);
// Text as a terminal may show it: control characters (C0 and DEL) become
// \xHH, so that a crafted file cannot move the cursor, retitle the window
// or ring. Showing shown text again changes nothing.
std::string Shown(const std::string &text);
// A value for people, texts Shown.
std::string ValueText(const Value &value);
std::string JsonObject(const Record &record);

}  // namespace cvxcfg
