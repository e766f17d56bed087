// kvxctl's commands that undo a set-up: remove-printer, remove-driver and
// uninstall. The library only removes the driver's registration; kvxctl deletes
// printers through the spooler itself and, with uninstall --files, the driver
// files it places.
#include "commands.h"

#include "driver_setup.h"
#include "file_system.h"
#include "json_output.h"
#include "library_queries.h"
#include "platform_driver.h"
#include "printer_removal.h"
#include "spooler_lists.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kAccessDenied = 5;     // ERROR_ACCESS_DENIED
constexpr uint32_t kDriverInUse = 3001;   // ERROR_PRINTER_DRIVER_IN_USE
constexpr uint32_t kUnknownDriver = 1797; // ERROR_UNKNOWN_PRINTER_DRIVER

// A name as the messages quote it; a very long one shortened, with its length.
std::string Quoted(const std::string& name) {
    constexpr size_t kShown = 40;
    if (name.size() <= 2 * kShown)
        return "\"" + name + "\"";
    return "\"" + name.substr(0, kShown) + "...\" (" + std::to_string(name.size()) + " characters)";
}

std::string Reason(uint32_t error) {
    return std::to_string(error) + " (" + ErrorName(error) + ")";
}

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string PrinterPhrase(const LocalPrinter& printer) {
    return "printer " + Quoted(printer.name) + " on " + printer.port;
}

std::string DriverPhrase(const PlatformDriver& driver) {
    return "the driver " + Quoted(driver.name);
}

// Why the spooler would not delete a printer, for people.
std::string PrinterRefusal(const std::string& name, uint32_t error) {
    std::string text = "the spooler refused to remove " + Quoted(name) + ": " + Reason(error);
    if (error == kAccessDenied)
        text += "; removing a printer takes administrator rights";
    return text;
}

std::string PendingPhrase(const std::string& name, uint32_t jobs) {
    return "printer " + Quoted(name) + " is marked for deletion: " + std::to_string(jobs) +
           " print job" + (jobs == 1 ? " is" : "s are") +
           " still queued, and the spooler deletes it once they are printed";
}

// "printer "A" on LPT1: still uses the driver "D""
std::string UsersPhrase(const std::vector<LocalPrinter>& users, const PlatformDriver& driver) {
    std::vector<std::string> phrases;
    for (const LocalPrinter& printer : users)
        phrases.push_back(PrinterPhrase(printer));
    return Joined(phrases) + " still use" + (users.size() == 1 ? "s " : " ") + DriverPhrase(driver);
}

// What the spooler's ERROR_PRINTER_DRIVER_IN_USE means here: the printers that
// hold the driver, and how they go.
std::string DriverInUseExplanation(const PlatformDriver& driver) {
    std::vector<LocalPrinter> users = PrintersUsing(driver.name);
    if (users.empty())
        return "no listed printer uses " + DriverPhrase(driver) +
               ": a printer marked for deletion still waits for its print jobs";
    return UsersPhrase(users, driver) +
           ": kvxctl remove-printer PRINTER removes one printer, kvxctl uninstall all of them "
           "and the driver";
}

// What uninstall finds on the machine.
struct Installation {
    PlatformDriver driver;
    bool directoryKnown = false;
    std::string directory;
    std::vector<LocalPrinter> printers; // that use the driver
    bool registered = false;            // under the environment the library uses
    std::vector<DriverFile> files;      // the platform's set in the driver directory
};

Installation Examine(const KvxLibrary& kvx) {
    Installation found;
    found.driver = PlatformDriverFor(PlatformCode(kvx));
    found.directoryKnown = DriverDirectory(kvx, &found.directory);
    found.printers = PrintersUsing(found.driver.name);
    for (const RegisteredDriver& registered : RegisteredDrivers(found.driver.environment))
        found.registered = found.registered || SameName(registered.name, found.driver.name);
    if (found.directoryKnown)
        found.files = DriverFilesIn(found.directory, found.driver.files);
    return found;
}

std::string FileName(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Another registered driver that names a file of this name (the Windows NT 3
// set shares the system's raster driver files), or "".
std::string OtherDriverUsing(const std::vector<RegisteredDriver>& drivers,
                             const PlatformDriver& ours, const std::string& name) {
    for (const RegisteredDriver& driver : drivers) {
        if (SameName(driver.name, ours.name))
            continue;
        for (const std::string& path : driver.files)
            if (SameName(FileName(path), name))
                return driver.name;
    }
    return "";
}

// One run of uninstall: the printers, then the driver, then (--files) the
// files. Each step is shown as it happens, or under --json kept for the report
// that only a finished run writes; a step that fails stops the run, naming
// what is still in place.
class Uninstall {
public:
    Uninstall(const KvxLibrary& kvx, bool json, bool withFiles)
        : kvx_(kvx), json_(json), withFiles_(withFiles), found_(Examine(kvx)) {}

    int Run() {
        if (withFiles_ && !found_.directoryKnown) {
            Complain("the spooler reported no driver directory, so the driver files cannot be "
                     "found; nothing was removed");
            return kExitRefused;
        }
        bool nothing =
            found_.printers.empty() && !found_.registered && !(withFiles_ && FilesLeft());
        int result = RemovePrinters();
        if (result == kExitOk)
            result = RemoveDriver();
        if (result == kExitOk)
            result = RemoveFiles();
        if (result == kExitOk)
            Report(nothing);
        return result;
    }

private:
    struct FileOutcome {
        const DriverFile* file;
        const char* action; // "removed", "absent" or "kept"
        std::string reason; // why a file was kept
    };

    int RemovePrinters() {
        for (; nextPrinter_ < found_.printers.size(); ++nextPrinter_) {
            const LocalPrinter& printer = found_.printers[nextPrinter_];
            PrinterRemoval removal = RemovePrinter(printer.name);
            if (!removal.accepted)
                return Stop(kExitRefused, PrinterRefusal(printer.name, removal.error));
            if (removal.queuedJobs != 0) {
                Done(PendingPhrase(printer.name, removal.queuedJobs));
                pending_.push_back("printer " + Quoted(printer.name) + " (marked for deletion)");
                continue;
            }
            Done("removed " + PrinterPhrase(printer));
            removed_.push_back(printer);
        }
        if (!pending_.empty())
            return Stop(kExitRefused,
                        "the driver stays until the printers marked for deletion are gone");
        return kExitOk;
    }

    int RemoveDriver() {
        if (!found_.registered)
            return kExitOk;
        int32_t error = kvx_.DesInstallThermalPrinterDriver();
        if (error != 0) {
            auto code = static_cast<uint32_t>(error);
            std::string reason = "the spooler refused to remove " + DriverPhrase(found_.driver) +
                                 ": " + Reason(code);
            if (code == kUnknownDriver)
                reason += " (the library removes a driver of another name on this platform)";
            if (code == kDriverInUse)
                reason += "\n" + DriverInUseExplanation(found_.driver);
            return Stop(kExitRefused, reason);
        }
        driverRemoved_ = true;
        Done("removed " + DriverPhrase(found_.driver) + " (" + found_.driver.environment + ")");
        return kExitOk;
    }

    int RemoveFiles() {
        std::vector<RegisteredDriver> others = RegisteredDrivers(found_.driver.environment);
        FileSystem& disk = DriverDirectoryFiles();
        for (; nextFile_ < found_.files.size(); ++nextFile_) {
            const DriverFile& file = found_.files[nextFile_];
            if (!file.present) {
                outcomes_.push_back({&file, "absent", ""});
                continue;
            }
            if (!withFiles_) {
                outcomes_.push_back({&file, "kept", "--files not given"});
                continue;
            }
            std::string user = OtherDriverUsing(others, found_.driver, file.name);
            if (!user.empty()) {
                outcomes_.push_back({&file, "kept", "the driver " + Quoted(user) + " uses it"});
                Done("kept " + file.path + " (the driver " + Quoted(user) + " uses it)");
                continue;
            }
            std::string error;
            if (!disk.Remove(file.path, &error))
                return Stop(kExitFilesNotPlaced, error + ": is it read-only, or in use? (clear "
                                                         "its read-only attribute, or close what "
                                                         "holds it)");
            outcomes_.push_back({&file, "removed", ""});
            Done("removed " + file.path);
        }
        return kExitOk;
    }

    bool FilesLeft() const {
        for (size_t i = nextFile_; i < found_.files.size(); ++i)
            if (found_.files[i].present)
                return true;
        return false;
    }

    void Done(const std::string& line) {
        if (!json_) {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        }
        done_.push_back(line);
    }

    // Stops the run: the steps done (under --json on standard error, since
    // standard output stays empty), the reason, and what is still in place.
    int Stop(int exitCode, const std::string& reason) {
        std::vector<std::string> remaining = pending_;
        for (size_t i = nextPrinter_; i < found_.printers.size(); ++i)
            remaining.push_back(PrinterPhrase(found_.printers[i]));
        if (found_.registered && !driverRemoved_)
            remaining.push_back(DriverPhrase(found_.driver));
        for (size_t i = nextFile_; withFiles_ && i < found_.files.size(); ++i)
            if (found_.files[i].present)
                remaining.push_back(found_.files[i].path);
        if (json_)
            for (const std::string& line : done_)
                std::fprintf(stderr, "%s\n", line.c_str());
        Complain(reason + "\nstill in place: " + Joined(remaining) + "; kvxctl uninstall" +
                 (withFiles_ ? " --files" : "") + " finishes the job once that is solved");
        return exitCode;
    }

    void Report(bool nothing) const {
        if (!json_) {
            if (nothing)
                std::printf(
                    "nothing to remove: no printer uses %s and it is not registered under \"%s\"\n",
                    DriverPhrase(found_.driver).c_str(), found_.driver.environment.c_str());
            bool kept = std::any_of(outcomes_.begin(), outcomes_.end(), [](const FileOutcome& o) {
                return std::string(o.action) == "kept";
            });
            if (!withFiles_ && kept)
                std::printf("the driver files stay in %s (kvxctl uninstall --files removes them)\n",
                            found_.directory.c_str());
            return;
        }
        Json json;
        json["nothing_to_remove"] = nothing;
        json["driver"] = AnsiText(found_.driver.name);
        json["environment"] = AnsiText(found_.driver.environment);
        json["driver_directory"] = AnsiTextOrNull(found_.directory);
        json["printers"] = PrintersJson(removed_);
        json["driver_removed"] = driverRemoved_;
        json["files"] = Json::array();
        for (const FileOutcome& outcome : outcomes_)
            json["files"].push_back({{"name", AnsiText(outcome.file->name)},
                                     {"path", AnsiText(outcome.file->path)},
                                     {"action", outcome.action},
                                     {"reason", AnsiTextOrNull(outcome.reason)}});
        PrintJson(json);
    }

    const KvxLibrary& kvx_;
    bool json_;
    bool withFiles_;
    Installation found_;
    size_t nextPrinter_ = 0, nextFile_ = 0; // the first not yet dealt with
    bool driverRemoved_ = false;
    std::vector<LocalPrinter> removed_;
    std::vector<std::string> pending_; // printers marked for deletion, waiting for jobs
    std::vector<FileOutcome> outcomes_;
    std::vector<std::string> done_; // the steps, as shown
};

// PRINTER [--force]
struct RemovePrinterOptions {
    std::string name;
    bool force = false;
};

int RunRemovePrinter(const Invocation& call, const RemovePrinterOptions& options) {
    const std::string& name = options.name;
    PlatformDriver driver = PlatformDriverFor(PlatformCode(call.kvx));
    const LocalPrinter* printer = nullptr;
    std::vector<LocalPrinter> printers = LocalPrinters();
    for (const LocalPrinter& listed : printers)
        if (SameName(listed.name, name))
            printer = &listed;
    if (printer == nullptr) {
        Complain(name.empty() ? std::string("an empty name names no printer")
                              : "no printer is named " + Quoted(name) +
                                    " (kvxctl status lists the printers of the driver)");
        return kExitRefused;
    }
    if (!SameName(printer->driver, driver.name) && !options.force) {
        Complain(Quoted(printer->name) + " uses the driver " + Quoted(printer->driver) + ", not " +
                 Quoted(driver.name) + "; nothing was removed (--force removes it all the same)");
        return kExitRefused;
    }
    PrinterRemoval removal = RemovePrinter(printer->name);
    if (!removal.accepted) {
        Complain(PrinterRefusal(printer->name, removal.error));
        return kExitRefused;
    }
    bool pending = removal.queuedJobs != 0;
    if (call.json) {
        PrintJson({{"printer", AnsiText(printer->name)},
                   {"port", AnsiText(printer->port)},
                   {"driver", AnsiText(printer->driver)},
                   {"removed", !pending},
                   {"pending_deletion", pending},
                   {"queued_jobs", removal.queuedJobs}});
    } else if (pending) {
        std::printf("%s\n", PendingPhrase(printer->name, removal.queuedJobs).c_str());
    } else {
        std::printf("removed printer %s (driver %s, port %s)\n", Quoted(printer->name).c_str(),
                    Quoted(printer->driver).c_str(), printer->port.c_str());
    }
    return kExitOk;
}

int RunRemoveDriver(const Invocation& call, bool force) {
    PlatformDriver driver = PlatformDriverFor(PlatformCode(call.kvx));
    // Some spoolers remove a driver that printers still use, so kvxctl names
    // them and refuses before it asks.
    std::vector<LocalPrinter> users = PrintersUsing(driver.name);
    if (!users.empty() && !force) {
        Complain(UsersPhrase(users, driver) +
                 ", so kvxctl did not ask the spooler to remove it\n(some spoolers would, "
                 "and leave the printers without their driver): kvxctl uninstall removes\nthe "
                 "printers and then the driver, kvxctl remove-printer PRINTER one printer;\n"
                 "--force asks the spooler all the same");
        return kExitRefused;
    }
    int32_t error = call.kvx.DesInstallThermalPrinterDriver();
    if (error != 0) {
        std::string reason =
            "the spooler refused the removal: " + Reason(static_cast<uint32_t>(error));
        if (error == static_cast<int32_t>(kDriverInUse))
            reason += "\n" + DriverInUseExplanation(driver);
        Complain(reason);
        return kExitRefused;
    }
    std::vector<LocalPrinter> left = PrintersUsing(driver.name);
    if (call.json) {
        PrintJson({{"removed", true},
                   {"driver", AnsiText(driver.name)},
                   {"environment", AnsiText(driver.environment)},
                   {"printers_left", PrintersJson(left)}});
        return kExitOk;
    }
    std::printf("removed the driver %s\n", Quoted(driver.name).c_str());
    for (const LocalPrinter& printer : left)
        std::printf("%s still names it: the spooler removed the driver all the same\n",
                    PrinterPhrase(printer).c_str());
    return kExitOk;
}

} // namespace

CommandRun DefineRemovePrinter(CLI::App& command) {
    auto options = std::make_shared<RemovePrinterOptions>();
    command.add_option("PRINTER", options->name)->required();
    command.add_flag("--force", options->force, "also a printer of another driver");
    return [options](const Invocation& call) { return RunRemovePrinter(call, *options); };
}

CommandRun DefineRemoveDriver(CLI::App& command) {
    auto force = std::make_shared<bool>(false);
    command.add_flag("--force", *force, "ask the spooler while printers use the driver");
    return [force](const Invocation& call) { return RunRemoveDriver(call, *force); };
}

CommandRun DefineUninstall(CLI::App& command) {
    auto withFiles = std::make_shared<bool>(false);
    command.add_flag("--files", *withFiles, "also the driver files in the driver directory");
    return [withFiles](const Invocation& call) {
        return Uninstall(call.kvx, call.json, *withFiles).Run();
    };
}
