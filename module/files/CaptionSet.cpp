#include "CaptionSet.h"

#include "Caption.h"
#include "Profile.h"
#include "Settings.h"

namespace veltra {

CaptionSet::CaptionSet(const std::string& captionFile, CaptionReader reader)
{
    const ProfileDocument document = LoadProfileDocument(captionFile);
    for (const CaptionEntry& entry : CaptionCatalogue()) {
        if (entry.reader != reader)
            continue;
        const std::string raw = document.ValueOr(entry.section, entry.key, entry.defaultText);
        captions_.push_back({entry.section, entry.key, UnescapeCaption(raw)});
    }
}

CaptionSet CaptionSet::ForCountry(const std::string& root, const std::string& country, CaptionReader reader)
{
    const bool host = FileOf(reader) == CaptionFile::Main;
    return CaptionSet(host ? HostCaptionPath(root, country) : ModuleCaptionPath(root, country), reader);
}

const std::string& CaptionSet::Text(std::string_view section, std::string_view key) const
{
    for (const Caption& caption : captions_) {
        if (caption.section == section && caption.key == key)
            return caption.text;
    }
    static const std::string none;
    return none;
}

}  // namespace veltra
