#pragma once
// A small JSON reader for the public test suites that come as JSON files. Strings are kept as
// UTF-16 because those suites contain lone surrogates ("\uD800").
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/text.h"

namespace ferrik::test {

struct Json {
    using Array = std::vector<Json>;
    using Object = std::vector<std::pair<std::string, Json>>;  // in file order
    std::variant<std::nullptr_t, bool, double, Text, std::shared_ptr<Array>, std::shared_ptr<Object>> value;

    bool IsNull() const { return std::holds_alternative<std::nullptr_t>(value); }
    bool IsString() const { return std::holds_alternative<Text>(value); }
    bool IsArray() const { return std::holds_alternative<std::shared_ptr<Array>>(value); }
    bool IsObject() const { return std::holds_alternative<std::shared_ptr<Object>>(value); }
    bool IsBool() const { return std::holds_alternative<bool>(value); }
    bool IsNumber() const { return std::holds_alternative<double>(value); }

    const Text& String() const { return std::get<Text>(value); }
    const Array& Items() const { return *std::get<std::shared_ptr<Array>>(value); }
    const Object& Members() const { return *std::get<std::shared_ptr<Object>>(value); }
    bool Bool() const { return std::get<bool>(value); }
    double Number() const { return std::get<double>(value); }

    // Member by name; nullptr when this is not an object or has no such member.
    const Json* Find(std::string_view name) const;
};

// Throws std::runtime_error on malformed input.
Json ParseJson(std::string_view text);
Json ReadJsonFile(const std::string& path);

}  // namespace ferrik::test
