#include "JsonOutput.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace veltra::cli {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(250);

qint64 EpochMs(std::chrono::system_clock::time_point time)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

QString Utc(std::chrono::system_clock::time_point time)
{
    return QDateTime::fromMSecsSinceEpoch(EpochMs(time), Qt::UTC).toString(Qt::ISODateWithMs);
}

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

void PrintJsonLine(const QJsonObject& object)
{
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
}

void JsonOutput::PhaseStarted(const PortView& view)
{
    lastProgress_.erase(view.port);
    PrintJsonLine({{"event", "phase"},
                   {"port", Text(view.target->given)},
                   {"phase", Text(view.phase)},
                   {"attempt", view.attempt}});
}

void JsonOutput::Progress(const PortView& view)
{
    const auto now = std::chrono::steady_clock::now();
    const auto last = lastProgress_.find(view.port);
    if (last != lastProgress_.end() && now - last->second < kProgressInterval)
        return;
    lastProgress_[view.port] = now;
    PrintJsonLine({{"event", "progress"},
                   {"port", Text(view.target->given)},
                   {"phase", Text(view.phase)},
                   {"done", view.done},
                   {"total", view.total}});
}

void JsonOutput::Result(const PortView& view, const PortResult& result, int attempts)
{
    QJsonArray phases;
    for (const PortResult::Phase& phase : result.phases)
        phases.append(QJsonObject{{"name", Text(phase.name)}, {"ms", static_cast<qint64>(phase.ms)}});
    PrintJsonLine({{"event", "result"},
                   {"port", Text(view.target->given)},
                   {"device", Text(view.target->device)},
                   {"operation", Text(result.operation)},
                   {"ok", result.ok},
                   {"failure", result.ok ? QJsonValue() : QJsonValue(Text(result.failure))},
                   {"row", Text(view.row)},
                   {"attempts", attempts},
                   {"start", Utc(result.start)},
                   {"end", Utc(result.end)},
                   {"ms", EpochMs(result.end) - EpochMs(result.start)},
                   {"phases", phases},
                   {"data", result.data}});
}

void JsonOutput::Summary(const RunSummary& summary)
{
    PrintJsonLine({{"event", "summary"},
                   {"operation", Text(summary.operation)},
                   {"ports", summary.ports},
                   {"passed", summary.passed},
                   {"failed", summary.failed},
                   {"interrupted", summary.interrupted},
                   {"exit", summary.exitStatus},
                   {"ms", static_cast<qint64>(summary.ms)}});
}

}  // namespace veltra::cli
