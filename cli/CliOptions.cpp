#include "CliOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <set>

namespace veltra::cli {

namespace {

const char* const kDescription = R"(Runs the Veltra downloader's operations without a window, on the ports given.

Commands:
  ports [--json]
      The ports the downloader would list (the system's serial ports, then
      [PORTS] EXTRA of the settings file): device path, /dev/serial/by-path
      name, USB adapter, and whether the port can be opened now (with the
      system's reason when not).
  rom [--hex FILE] [--baud N] [--no-erase] [--no-blank-check] [--no-program]
      [--verify] [--init-erase] PORT...
      ROM download through the modules' boot loader: erase, blank check and
      program by default, verify with --verify, at --baud (115200). --hex is
      needed to program or verify. --init-erase instead tells the application
      firmware to give way to its boot loader (the Init. Erase Command; with
      the mode mark first when FW_DW_OPT01=1); run rom again afterwards.
  params-down --vtp FILE [--rows all|ID[,ID...]] PORT...
      Writes the file's rows into each module's EEPROM at 9600 bit/s. Rows of
      type R and [LOG] rows are never written; every value is checked first.
  params-up --vtp FILE --out FILE [--rows all|ID[,ID...]] PORT
      Reads the rows from one module into a copy of the file's rows and saves
      the copy to --out; the file is replaced whole or not at all.
  test [--items 11111111] PORT...
      The module test, with the items of --items (item 1 first) or else of
      [TEST] ITEM_SETTING; each module is stamped with the date and result.
  records PORT...
      Reads each module's test record: date and result byte.

A PORT is a device path (/dev/ttyUSB0), a port name as `ports` shows it
(ttyUSB0, pts/3), or a path that leads to a terminal (a /dev/serial/by-path
link, a virtual module's link).

Output: one line per port as it ends (port, ok or FAIL, what the status window
would show, seconds taken) and a summary on standard output; progress per port
on standard error when that is a terminal; messages for people on standard
error. With --json, JSON Lines on standard output instead:
  {"event":"phase","port","phase","attempt"}       a port starts a phase
  {"event":"progress","port","phase","done","total"}  at most every 250 ms a port
  {"event":"result","port","device","operation","ok","failure","row","attempts",
   "start","end","ms","phases":[{"name","ms"}],"data":{...}}  once per port
  {"event":"summary","operation","ports","passed","failed","interrupted","exit","ms"}
  `failure` is the status window's text (null when ok); `data` holds what was
  done: the image's size and sha256, the rows written or read, the test's
  result byte and date, the record read. `ports --json` prints one
  {"event":"port",...} object per port.

--retry N runs the ports that failed again, up to N more times; ports that
passed are not touched again. --timeout-ms replaces every reply time-out.
Every port's result is also kept in the station's record of every board
($XDG_DATA_HOME/veltra/records, unless [RECORDS] ENABLED=0).

Exit status: 0 every port passed, 1 at least one port failed, 2 interrupted
(SIGINT or SIGTERM: every port closed, the results so far printed), 3 wrong
usage, 4 a file refused (HEX file, parameter file, values): nothing sent,
5 no port could be opened.)";

const std::set<std::string> kCommon = {"root", "json", "quiet", "retry", "timeout-ms"};

// The options each command takes besides the common ones.
const std::map<std::string, std::set<std::string>> kCommandOptions = {
    {"ports", {}},
    {"rom", {"hex", "baud", "no-erase", "no-blank-check", "no-program", "verify", "init-erase"}},
    {"params-down", {"vtp", "rows"}},
    {"params-up", {"vtp", "out", "rows"}},
    {"test", {"items"}},
    {"records", {}},
};

bool Allowed(const std::string& command, const std::string& option)
{
    if (command == "ports")
        return option == "root" || option == "json" || option == "quiet";
    return kCommon.count(option) > 0 || kCommandOptions.at(command).count(option) > 0;
}

bool Number(const QString& text, uint32_t low, uint32_t high, uint32_t& value)
{
    bool ok = false;
    const qulonglong parsed = text.toULongLong(&ok);
    if (!ok || parsed < low || parsed > high)
        return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool RowList(const QString& text)
{
    if (text == QLatin1String("all"))
        return true;
    for (const QString& id : text.split(QLatin1Char(','))) {
        uint32_t value = 0;
        if (!Number(id, 1, 1000000, value))
            return false;
    }
    return true;
}

bool ItemBits(const QString& text)
{
    return text.size() == 8 &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c == QLatin1Char('0') || c == QLatin1Char('1'); });
}

}  // namespace

ParseOutcome ParseCommandLine(const QStringList& arguments, const std::string& programFolder, CliOptions& options,
                              std::string& message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Shows the program's version."));
    parser.addOption(help);
    parser.addOption(version);
    const auto valued = [&parser](const char* name, const char* value, const char* text) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(text),
                                            QString::fromLatin1(value)));
    };
    const auto flag = [&parser](const char* name, const char* text) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(text)));
    };
    valued("root", "DIR", "The program folder whose config/ and Data/ are used (default: this program's folder).");
    flag("json", "JSON Lines on standard output.");
    flag("quiet", "No progress and no messages on standard error but the reason for a refusal.");
    valued("retry", "N", "Runs the ports that failed again, up to N (0-100) more times.");
    valued("timeout-ms", "N", "Every reply time-out, in milliseconds (1-3600000).");
    valued("hex", "FILE", "rom: the Intel HEX file to program and verify.");
    valued("baud", "N", "rom: the line rate of the boot loader (default 115200).");
    flag("no-erase", "rom: no erase.");
    flag("no-blank-check", "rom: no blank check.");
    flag("no-program", "rom: no programming.");
    flag("verify", "rom: reads the flash back and compares it with the image.");
    flag("init-erase", "rom: the Init. Erase Command instead of the download.");
    valued("vtp", "FILE", "params-down, params-up: the parameter file.");
    valued("out", "FILE", "params-up: where the read rows are saved.");
    valued("rows", "all|ID,...", "params-down, params-up: the rows by ID (default all).");
    valued("items", "BITS", "test: eight 0/1 characters, item 1 first.");
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("ports, rom, params-down, params-up, test or records."));
    parser.addPositionalArgument(QStringLiteral("PORT"), QStringLiteral("The ports to run."), QStringLiteral("PORT..."));

    if (!parser.parse(arguments)) {
        message = parser.errorText().toStdString();
        return ParseOutcome::Wrong;
    }
    if (parser.isSet(help)) {
        message = parser.helpText().toStdString();
        return ParseOutcome::Help;
    }
    if (parser.isSet(version)) {
        message = "veltra-cli " VELTRA_VERSION "\n";
        return ParseOutcome::Version;
    }
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        message = "no command given";
        return ParseOutcome::Wrong;
    }
    options.command = positional.takeFirst().toStdString();
    if (kCommandOptions.count(options.command) == 0) {
        message = "unknown command \"" + options.command + "\"";
        return ParseOutcome::Wrong;
    }
    for (const QString& name : parser.optionNames()) {
        if (!Allowed(options.command, name.toStdString())) {
            message = "--" + name.toStdString() + " is not an option of " + options.command;
            return ParseOutcome::Wrong;
        }
    }
    options.ports = positional;
    const auto text = [&parser](const char* name) { return parser.value(QString::fromLatin1(name)); };
    const auto isSet = [&parser](const char* name) { return parser.isSet(QString::fromLatin1(name)); };

    options.root = isSet("root") ? QDir(text("root")).absolutePath().toStdString() : programFolder;
    if (!QFileInfo(QString::fromStdString(options.root)).isDir()) {
        message = "--root " + options.root + " is not a folder";
        return ParseOutcome::Wrong;
    }
    options.json = isSet("json");
    options.quiet = isSet("quiet");
    uint32_t number = 0;
    if (isSet("retry")) {
        if (!Number(text("retry"), 0, 100, number)) {
            message = "--retry takes a number from 0 to 100";
            return ParseOutcome::Wrong;
        }
        options.retry = static_cast<int>(number);
    }
    if (isSet("timeout-ms")) {
        if (!Number(text("timeout-ms"), 1, 3600000, number)) {
            message = "--timeout-ms takes a number of milliseconds from 1 to 3600000";
            return ParseOutcome::Wrong;
        }
        options.timeoutMs = number;
    }
    if (isSet("baud") && !Number(text("baud"), 1, 4000000, options.baud)) {
        message = "--baud takes a line rate from 1 to 4000000";
        return ParseOutcome::Wrong;
    }
    // Absolute, so that the results and the station's records name the file whatever the working folder.
    const auto file = [&parser](const char* name) {
        const QString path = parser.value(QString::fromLatin1(name));
        return path.isEmpty() ? std::string() : QDir::current().absoluteFilePath(path).toStdString();
    };
    options.hexFile = file("hex");
    options.erase = !isSet("no-erase");
    options.blankCheck = !isSet("no-blank-check");
    options.program = !isSet("no-program");
    options.verify = isSet("verify");
    options.initErase = isSet("init-erase");
    options.vtpFile = file("vtp");
    options.outFile = file("out");
    if (isSet("rows")) {
        if (!RowList(text("rows"))) {
            message = "--rows takes \"all\" or row IDs separated by commas, such as 1,2,7";
            return ParseOutcome::Wrong;
        }
        options.rows = text("rows").toStdString();
    }
    if (isSet("items")) {
        if (!ItemBits(text("items"))) {
            message = "--items takes eight characters 0 or 1, item 1 first, such as 11111111";
            return ParseOutcome::Wrong;
        }
        options.items = text("items").toStdString();
    }

    const std::string& command = options.command;
    if (command == "ports" ? !options.ports.isEmpty() : options.ports.isEmpty()) {
        message = command == "ports" ? "ports takes no port" : command + " needs at least one PORT";
        return ParseOutcome::Wrong;
    }
    if (command == "rom" && options.hexFile.empty() && !options.initErase) {
        message = "rom needs --hex FILE";
        return ParseOutcome::Wrong;
    }
    if ((command == "params-down" || command == "params-up") && options.vtpFile.empty()) {
        message = command + " needs --vtp FILE";
        return ParseOutcome::Wrong;
    }
    if (command == "params-up" && (options.outFile.empty() || options.ports.size() != 1)) {
        message = "params-up needs --out FILE and exactly one PORT";
        return ParseOutcome::Wrong;
    }
    return ParseOutcome::Run;
}

}  // namespace veltra::cli
