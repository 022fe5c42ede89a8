#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar::batch {

// A JSON document built member by member, one a line, two spaces of indent a
// level:
//   JsonWriter j;  j.member("species", 50).beginArray("avalanches") ... j.end();
//   std::string text = j.finish();
class JsonWriter {
public:
    JsonWriter();

    // Members of the object being written; in an array the key is ignored.
    JsonWriter& member(std::string_view key, std::string_view text);  // a string, escaped
    JsonWriter& member(std::string_view key, const char* text) { return member(key, std::string_view(text)); }
    JsonWriter& member(std::string_view key, std::uint64_t n);
    JsonWriter& member(std::string_view key, int n);
    JsonWriter& member(std::string_view key, bool b);
    // A number: the shortest text that reads back as d; null when it is not finite.
    JsonWriter& number(std::string_view key, double d);
    // A number with 15 significant digits (printf's %.15g).
    JsonWriter& number15(std::string_view key, double d);
    JsonWriter& null(std::string_view key);
    // A value already in JSON ("0.125", "[]").
    JsonWriter& literal(std::string_view key, std::string_view json);

    JsonWriter& beginObject(std::string_view key = {});
    JsonWriter& beginArray(std::string_view key = {});
    JsonWriter& end();

    // Closes everything still open and returns the text, ending in a line feed.
    std::string finish();

    // `s` as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
    static std::string quoted(std::string_view s);

private:
    std::string text_;
    std::vector<std::pair<char, int>> open_;  // closing bracket, members so far
};

}  // namespace quillmar::batch
