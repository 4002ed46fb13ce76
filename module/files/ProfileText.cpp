#include "ProfileText.h"

#include <algorithm>

namespace veltra {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::string_view Unquote(std::string_view text)
{
    if (text.size() >= 2 && text.front() == text.back() && (text.front() == '"' || text.front() == '\''))
        return text.substr(1, text.size() - 2);
    return text;
}

std::string_view CutWholeCharacters(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    // A UTF-8 character is at most four bytes, so at most three continuation
    // bytes are given up; text that is not UTF-8 at all loses no more than that.
    std::size_t cut = limit;
    while (cut > 0 && limit - cut < 3 && IsUtf8Continuation(text[cut]))
        --cut;
    if (IsUtf8Continuation(text[cut]))
        cut = limit;
    return text.substr(0, cut);
}

}  // namespace veltra
