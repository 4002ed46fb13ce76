// Any bytes as a settings or caption file: lookups, the escape rewrite and a
// write of a key must keep every value within its limit and the written key
// readable.
#include "Caption.h"
#include "ProfileDocument.h"
#include "ProfileText.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    veltra::ProfileDocument document(text);
    for (const char* key : {"COUNTRY", "ITEM_SETTING", "MSG_COMM0", "EXTRA"}) {
        for (const char* section : {"STARTUP", "TEST", "FW_MSG", "PORTS"}) {
            const std::string value = document.ValueOr(section, key, "default");
            if (value.size() > veltra::kProfileValueLimit)
                std::abort();
            veltra::UnescapeCaption(value);
        }
    }
    veltra::UnescapeCaption(text);
    document.Set("TEST", "ITEM_SETTING", "10100001");
    const veltra::ProfileDocument written(document.Text());
    if (written.Value("TEST", "ITEM_SETTING") != std::optional<std::string>("10100001"))
        std::abort();
    return 0;
}
