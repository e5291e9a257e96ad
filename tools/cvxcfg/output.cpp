#include "output.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "cli.h"

namespace cvxcfg {

Value Value::Text(std::string text)
{
    Value v;
    v.kind = kText;
    v.text = std::move(text);
    return v;
}
Value Value::Number(long long number)
{
    Value v;
    v.kind = kNumber;
    v.number = number;
    return v;
}
Value Value::Flag(bool flag)
{
    Value v;
    v.kind = kFlag;
    v.flag = flag;
    return v;
}
Value Value::List(std::vector<std::string> list)
{
    Value v;
    v.kind = kList;
    v.list = std::move(list);
    return v;
}
Value Value::Null() { return Value{}; }

std::string JsonString(const std::string &ansi)
{
    std::string utf8;
    if (!ansi.empty()) {
        int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
        std::wstring w(wide, L'\0');
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), w.data(), wide);
        int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
        utf8.assign(bytes, '\0');
        WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, utf8.data(), bytes, nullptr, nullptr);
    }
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') out += '\\', out += static_cast<char>(c);
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else out += static_cast<char>(c);
    }
    return out + "\"";
}

namespace {

std::string JsonValue(const Value &value)
{
    switch (value.kind) {
    case Value::kText: return JsonString(value.text);
    case Value::kNumber: return std::to_string(value.number);
    case Value::kFlag: return value.flag ? "true" : "false";
    case Value::kList: {
        std::string out = "[";
        for (size_t i = 0; i < value.list.size(); ++i) out += (i ? "," : "") + JsonString(value.list[i]);
        return out + "]";
    }
    case Value::kNull: break;
    }
    return "null";
}

}  // namespace

std::string JsonObject(const Record &record)
{
    std::string out = "{";
    bool first = true;
    for (const auto &[key, value] : record.Fields()) {
        out += (first ? "" : ",") + JsonString(key) + ":" + JsonValue(value);
        first = false;
    }
    return out + "}";
}

namespace {

const Value *FindField(const Record &record, const char *key)
{
    for (const auto &[name, value] : record.Fields())
        if (name == key) return &value;
    return nullptr;
}

}  // namespace

std::string Shown(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c >= 0x20 && c != 0x7F) {
            out += static_cast<char>(c);
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02x", c);
        out += escape;
    }
    return out;
}

std::string ValueText(const Value &value)
{
    switch (value.kind) {
    case Value::kText: return Shown(value.text);
    case Value::kNumber: return std::to_string(value.number);
    case Value::kFlag: return value.flag ? "yes" : "no";
    case Value::kList: {
        std::string out;
        for (size_t i = 0; i < value.list.size(); ++i) out += (i ? "," : "") + Shown(value.list[i]);
        return out;
    }
    case Value::kNull: break;
    }
    return "-";
}

void PrintRecord(const Invocation &call, const Record &record)
{
    if (call.json) {
        std::printf("%s\n", JsonObject(record).c_str());
        return;
    }
    size_t width = 0;
    for (const auto &field : record.Fields()) width = std::max(width, field.first.size());
    for (const auto &[key, value] : record.Fields())
        std::printf("%-*s  %s\n", static_cast<int>(width + 1), (key + ":").c_str(), ValueText(value).c_str());
}

void PrintList(const Invocation &call, const std::vector<Record> &records, const std::vector<const char *> &columns)
{
    if (call.json) {
        std::printf("[");
        for (size_t i = 0; i < records.size(); ++i) std::printf("%s%s", i ? ",\n " : "", JsonObject(records[i]).c_str());
        std::printf("]\n");
        return;
    }
    if (records.empty()) {
        std::printf("(none)\n");
        return;
    }
    std::vector<size_t> widths;
    for (const char *column : columns) widths.push_back(std::string(column).size());
    std::vector<std::vector<std::string>> cells;
    for (const Record &record : records) {
        std::vector<std::string> row;
        for (size_t c = 0; c < columns.size(); ++c) {
            const Value *value = FindField(record, columns[c]);
            row.push_back(value ? ValueText(*value) : "");
            widths[c] = std::max(widths[c], row.back().size());
        }
        cells.push_back(std::move(row));
    }
    auto printRow = [&](const std::vector<std::string> &row) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line += std::string(widths[c] - row[c].size() + 2, ' ');
        }
        std::printf("%s\n", line.c_str());
    };
    printRow(std::vector<std::string>(columns.begin(), columns.end()));
    for (const auto &row : cells) printRow(row);
}

void PrintDone(const Invocation &call, const std::string &message)
{
    if (call.json) std::printf("{\"done\":%s}\n", JsonString(message).c_str());
    else std::printf("%s\n", Shown(message).c_str());
}

}  // namespace cvxcfg
