#pragma once

#include <QString>
#include <string>

namespace veltra {

// The two process-wide values that start-up decides and everything else reads.
struct HostSettings {
    QString root;         // the program's folder, without a trailing separator
    std::string country;  // empty until the settings file has been read
};

}  // namespace veltra
