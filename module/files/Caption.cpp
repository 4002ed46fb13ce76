#include "Caption.h"

#include "Profile.h"

namespace veltra {

std::string UnescapeCaption(std::string_view raw)
{
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            text += raw[i];
            continue;
        }
        if (++i == raw.size())
            break;
        switch (raw[i]) {
        case '\\': text += '\\'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        default:
            // The dropped character is a whole UTF-8 character, not just its
            // first byte; a lone continuation byte would garble the label.
            if (static_cast<unsigned char>(raw[i]) >= 0xC0) {
                while (i + 1 < raw.size() && (static_cast<unsigned char>(raw[i + 1]) & 0xC0) == 0x80)
                    ++i;
            }
            break;
        }
    }
    return text;
}

std::string ReadCaption(const std::string& captionFile, std::string_view section, std::string_view key,
                        std::string_view defaultText)
{
    return UnescapeCaption(ReadProfileString(captionFile, section, key, defaultText));
}

}  // namespace veltra
