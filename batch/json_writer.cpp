#include "json_writer.h"

#include <charconv>
#include <cmath>

namespace quillmar::batch {

namespace {

// The length of the UTF-8 sequence at the start of s, or 0 when it is not one.
std::size_t utf8Length(std::string_view s)
{
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = b(0);
    std::size_t n = c < 0x80             ? 1
                    : (c & 0xe0) == 0xc0 ? 2
                    : (c & 0xf0) == 0xe0 ? 3
                    : (c & 0xf8) == 0xf0 ? 4
                                         : 0;
    if (n == 0 || n > s.size())
        return 0;
    std::uint32_t code = n == 1 ? c : c & (0x7f >> n);
    for (std::size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xc0) != 0x80)
            return 0;
        code = code << 6 | (b(i) & 0x3f);
    }
    // Overlong forms, surrogates and code points beyond Unicode are not UTF-8.
    constexpr std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[n] || (code >= 0xd800 && code <= 0xdfff) || code > 0x10ffff)
        return 0;
    return n;
}

}  // namespace

JsonWriter::JsonWriter() : text_("{")
{
    open_.emplace_back('}', 0);
}

std::string JsonWriter::quoted(std::string_view s)
{
    std::string q = "\"";
    while (!s.empty()) {
        const std::size_t n = utf8Length(s);
        const char c = s[0];
        if (n == 0) {
            q += "\\ufffd";
            s.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            q += '\\';
            q += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            q += "\\u00";
            q += hex[(c >> 4) & 0xf];
            q += hex[c & 0xf];
        } else {
            q.append(s.substr(0, n));
        }
        s.remove_prefix(n);
    }
    return q + "\"";
}

JsonWriter& JsonWriter::literal(std::string_view key, std::string_view value)
{
    auto& [closing, members] = open_.back();
    if (members++ != 0)
        text_ += ',';
    text_ += '\n';
    text_.append(2 * open_.size(), ' ');
    if (closing == '}') {
        text_ += quoted(key);
        text_ += ": ";
    }
    text_ += value;
    return *this;
}

JsonWriter& JsonWriter::member(std::string_view key, std::string_view text)
{
    return literal(key, quoted(text));
}

JsonWriter& JsonWriter::member(std::string_view key, std::uint64_t n)
{
    return literal(key, std::to_string(n));
}

JsonWriter& JsonWriter::member(std::string_view key, int n)
{
    return literal(key, std::to_string(n));
}

JsonWriter& JsonWriter::member(std::string_view key, bool b)
{
    return literal(key, b ? "true" : "false");
}

JsonWriter& JsonWriter::number(std::string_view key, double d)
{
    if (!std::isfinite(d))
        return null(key);
    char buf[64];
    return literal(key, std::string_view(buf, std::to_chars(buf, buf + sizeof buf, d).ptr));
}

JsonWriter& JsonWriter::number15(std::string_view key, double d)
{
    if (!std::isfinite(d))
        return null(key);
    char buf[64];
    return literal(
        key,
        std::string_view(buf, std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15).ptr));
}

JsonWriter& JsonWriter::null(std::string_view key)
{
    return literal(key, "null");
}

JsonWriter& JsonWriter::beginObject(std::string_view key)
{
    literal(key, "{");
    open_.emplace_back('}', 0);
    return *this;
}

JsonWriter& JsonWriter::beginArray(std::string_view key)
{
    literal(key, "[");
    open_.emplace_back(']', 0);
    return *this;
}

JsonWriter& JsonWriter::end()
{
    const auto [closing, members] = open_.back();
    open_.pop_back();
    if (members != 0) {
        text_ += '\n';
        text_.append(2 * open_.size(), ' ');
    }
    text_ += closing;
    return *this;
}

std::string JsonWriter::finish()
{
    while (!open_.empty())
        end();
    return text_ + "\n";
}

}  // namespace quillmar::batch
