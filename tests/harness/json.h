// A small JSON reader for checking what programs print.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace cvxtest {

struct Json {
    enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
    bool boolean = false;
    double number = 0;
    std::string string; // UTF-8
    std::vector<Json> array;
    std::map<std::string, Json> object;

    // Member or element; a null value when absent.
    const Json &operator[](const std::string &key) const;
    const Json &operator[](size_t index) const;
    size_t size() const { return kind == kArray ? array.size() : object.size(); }
    bool Has(const std::string &key) const { return object.count(key) != 0; }
    // Strings of an array of strings.
    std::vector<std::string> Strings() const;
};

// Parses a whole text; false (with the place in *error) when it is no JSON.
bool ParseJson(const std::string &text, Json *value, std::string *error = nullptr);

}  // namespace cvxtest
