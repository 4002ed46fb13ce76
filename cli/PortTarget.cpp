#include "PortTarget.h"

#include "PortDiscovery.h"

#include <QDir>

#include <filesystem>

namespace veltra::cli {

namespace {

bool IsPath(const std::string& text)
{
    return text.starts_with('/') || text.starts_with("./") || text.starts_with("../");
}

}  // namespace

bool ResolvePorts(const QStringList& arguments, std::vector<PortTarget>& targets, std::string& error)
{
    targets.clear();
    for (const QString& argument : arguments) {
        PortTarget target;
        target.given = argument.toStdString();
        if (target.given.empty() || target.given.size() > kMaxPortNameLength) {
            error = "\"" + target.given + "\" is no port";
            return false;
        }
        const std::string path = IsPath(target.given)
                                     ? QDir::cleanPath(QDir::current().absoluteFilePath(argument)).toStdString()
                                     : DevicePathFromName(target.given);
        std::error_code code;
        const std::filesystem::path resolved = std::filesystem::canonical(path, code);
        target.device = code ? path : resolved.string();
        if (!IsPath(target.given))
            target.name = target.given;
        else if (path.starts_with("/dev/"))
            target.name = PortNameFromPath(target.device);
        else
            target.name = path;
        for (const PortTarget& earlier : targets) {
            if (earlier.device == target.device) {
                error = earlier.given + " and " + target.given + " are the same port";
                return false;
            }
        }
        targets.push_back(target);
    }
    return true;
}

}  // namespace veltra::cli
