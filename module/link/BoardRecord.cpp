#include "BoardRecord.h"

#include <QJsonArray>

#include <unistd.h>

#include <climits>
#include <cstdio>

namespace veltra {

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

std::string UtcTimestamp(std::chrono::system_clock::time_point time)
{
    using namespace std::chrono;
    const auto ms = floor<milliseconds>(time);
    const auto day = floor<days>(ms);
    const year_month_day date{day};
    const hh_mm_ss clock{ms - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return text;
}

QJsonObject BoardRecordJson(const BoardRecord& record)
{
    QJsonArray phases;
    for (const BoardRecord::Phase& phase : record.phases) {
        phases.append(QJsonObject{{"name", Text(phase.name)}, {"ms", static_cast<qint64>(phase.ms)}});
    }
    return QJsonObject{
        {"start", Text(UtcTimestamp(record.start))},
        {"end", Text(UtcTimestamp(record.end))},
        {"host", Text(record.host)},
        {"slot", Text(record.slot)},
        {"port", Text(record.port)},
        {"adapterSerial", Text(record.adapterSerial)},
        {"operation", Text(record.operation)},
        {"ok", record.ok},
        {"failure", Text(record.failure)},
        {"phases", phases},
        {"data", record.data},
    };
}

std::string ThisHostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return {};
    }
    return name;
}

}  // namespace veltra
