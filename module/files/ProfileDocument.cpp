#include "ProfileDocument.h"

#include "ProfileText.h"

#include <algorithm>

namespace veltra {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum class LineKind { Other, Comment, Section, Entry };

struct LineMeaning {
    LineKind kind = LineKind::Other;
    std::string_view name;
    std::string_view value;  // as written, only trimmed
};

LineMeaning Classify(std::string_view line)
{
    const std::string_view text = TrimBlanks(line);
    if (text.empty())
        return {};
    if (text.front() == ';')
        return {LineKind::Comment, {}, {}};
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return {};
        return {LineKind::Section, TrimBlanks(text.substr(1, close - 1)), {}};
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return {};
    const std::string_view name = TrimBlanks(text.substr(0, equals));
    if (name.empty())
        return {};
    return {LineKind::Entry, name, TrimBlanks(text.substr(equals + 1))};
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool NeedsQuotes(std::string_view value)
{
    return TrimBlanks(value) != value || Unquote(value) != value;
}

}  // namespace

ProfileDocument::ProfileDocument(std::string_view text)
{
    // Windows editors like to start a UTF-8 file with a byte order mark; it is
    // kept for writing but must not become part of the first section's name.
    if (text.starts_with(kByteOrderMark)) {
        byteOrderMark_ = kByteOrderMark;
        text.remove_prefix(kByteOrderMark.size());
    }
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        std::string_view end;
        if (newline != std::string_view::npos) {
            const bool crlf = line.ends_with('\r');
            if (crlf)
                line.remove_suffix(1);
            end = crlf ? "\r\n" : "\n";
        }
        lines_.push_back({std::string(line), std::string(end)});
        text.remove_prefix(line.size() + end.size());
    }
}

ProfileDocument::Location ProfileDocument::Find(std::string_view section, std::string_view key) const
{
    Location found;
    bool inside = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const LineMeaning meaning = Classify(lines_[i].text);
        if (meaning.kind == LineKind::Section) {
            if (inside)
                break;
            inside = EqualsIgnoringCase(meaning.name, section);
            if (inside)
                found.lastOfSection = i;
        } else if (inside && meaning.kind == LineKind::Entry) {
            found.lastOfSection = i;
            if (EqualsIgnoringCase(meaning.name, key)) {
                found.key = i;
                break;
            }
        }
    }
    return found;
}

std::optional<std::string> ProfileDocument::Value(std::string_view section, std::string_view key) const
{
    if (auto value = WholeValue(section, key))
        return std::string(CutWholeCharacters(*value, kProfileValueLimit));
    return std::nullopt;
}

std::optional<std::string> ProfileDocument::WholeValue(std::string_view section, std::string_view key) const
{
    const Location location = Find(section, key);
    if (!location.key)
        return std::nullopt;
    return std::string(Unquote(Classify(lines_[*location.key].text).value));
}

std::vector<std::string> ProfileDocument::Keys(std::string_view section) const
{
    std::vector<std::string> keys;
    bool inside = false;
    for (const Line& line : lines_) {
        const LineMeaning meaning = Classify(line.text);
        if (meaning.kind == LineKind::Section) {
            if (inside)
                break;
            inside = EqualsIgnoringCase(meaning.name, section);
        } else if (inside && meaning.kind == LineKind::Entry) {
            const bool repeat = std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
                return EqualsIgnoringCase(key, meaning.name);
            });
            if (!repeat)
                keys.emplace_back(meaning.name);
        }
    }
    return keys;
}

std::string ProfileDocument::ValueOr(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const
{
    if (auto value = Value(section, key))
        return std::move(*value);
    return std::string(CutWholeCharacters(defaultValue, kProfileValueLimit));
}

bool ProfileDocument::CanStore(std::string_view section, std::string_view key, std::string_view value)
{
    const auto isName = [](std::string_view name) { return !HasLineBreak(name) && TrimBlanks(name) == name; };
    return isName(section) && section.find(']') == std::string_view::npos && isName(key) && !key.empty()
        && key.find('=') == std::string_view::npos && key.front() != ';' && key.front() != '['
        && !HasLineBreak(value);
}

std::string ProfileDocument::LineEnd() const
{
    if (!lines_.empty() && !lines_.front().end.empty())
        return lines_.front().end;
    return "\n";
}

void ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value)
{
    std::string line = std::string(key) + "=";
    if (NeedsQuotes(value))
        line += "\"" + std::string(value) + "\"";
    else
        line += value;

    const Location location = Find(section, key);
    if (location.key) {
        lines_[*location.key].text = std::move(line);
        return;
    }
    const std::string end = LineEnd();
    if (location.lastOfSection) {
        Line& previous = lines_[*location.lastOfSection];
        if (previous.end.empty())
            previous.end = end;
        const auto after = lines_.begin() + static_cast<std::ptrdiff_t>(*location.lastOfSection + 1);
        lines_.insert(after, Line{std::move(line), end});
        return;
    }
    if (!lines_.empty() && lines_.back().end.empty())
        lines_.back().end = end;
    lines_.push_back({"[" + std::string(section) + "]", end});
    lines_.push_back({std::move(line), end});
}

std::string ProfileDocument::Text() const
{
    std::string text = byteOrderMark_;
    for (const Line& line : lines_)
        text += line.text + line.end;
    return text;
}

}  // namespace veltra
