// The command line's run: folders checked before anything is scanned, then the scan, the search and the
// output, and the exit status that tells a script what it got.
#include "app/cli_run.h"

#include "app/cli_actions.h"
#include "app/cli_arguments.h"
#include "app/cli_output.h"
#include "app/cli_progress.h"
#include "core/lists.h"
#include "core/omissions.h"
#include "core/scan.h"
#include "core/search.h"
#include "platform/file_services.h"
#include "platform/process.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#ifndef ZW_VERSION
#define ZW_VERSION "unknown"
#endif

namespace {

// Empty when the folder (absolute) can be catalogued, otherwise why not, to follow its name.
std::string FolderProblem(const std::string& folder) {
    if (CheckFolder(folder)) return {};
    switch (LastFailure()) {
    case FAILURE_MISSING:
        return " does not exist";
    case FAILURE_NOT_FOLDER:
        return " is not a folder";
    case FAILURE_DENIED:
        return " cannot be read";
    case FAILURE_TOO_LONG:
        return " is too long";
    default:
        return ": " + LastFailureText();
    }
}

// Flushes Out; false, with the reason told on Err, when what was written did not all arrive.
bool Flushed(const CliStreams& streams) {
    if (std::fflush(streams.out) == 0 && !std::ferror(streams.out)) return true;
    std::fprintf(streams.err, "zwillingsfeger-cli: the output could not be written: %s\n",
                 std::strerror(errno));
    return false;
}

} // namespace

int RunCli(const std::vector<std::string>& args, const CliStreams& streams) {
    std::FILE* out = streams.out;
    std::FILE* err = streams.err;
    CliOptions options = ParseCliArguments(args);
    if (!options.error.empty()) {
        std::fprintf(err, "zwillingsfeger-cli: %s\n%sTry 'zwillingsfeger-cli --help'.\n",
                     options.error.c_str(), CLI_USAGE);
        return 2;
    }
    if (options.help) {
        std::fputs(CLI_USAGE, out);
        std::fputs(CLI_HELP, out);
        return Flushed(streams) ? 0 : 1;
    }
    if (options.version) {
        std::fputs("zwillingsfeger-cli " ZW_VERSION "\n", out);
        return Flushed(streams) ? 0 : 1;
    }

    // Every folder is checked before anything is scanned: a typo should not cost a long search.
    std::vector<std::string> absolute;
    bool usable = true;
    for (const std::string& folder : options.folders) {
        const std::string shown = streams.errTerminal ? TerminalText(folder) : folder;
        std::string path = folder.empty() ? std::string() : AbsoluteFolder(folder);
        if (!folder.empty() && path.empty()) {
            std::fprintf(err, "zwillingsfeger-cli: '%s': there is no current folder to find it in (%s)\n",
                         shown.c_str(), LastFailureText().c_str());
            usable = false;
            continue;
        }
        std::string problem = FolderProblem(path);
        if (!problem.empty()) {
            std::fprintf(err, "zwillingsfeger-cli: '%s'%s\n", shown.c_str(), problem.c_str());
            usable = false;
        }
        absolute.push_back(path);
    }
    // A protected folder that cannot be found would protect nothing.
    std::vector<std::string> protectedFolders;
    for (const std::string& folder : options.protect) {
        const std::string shown = streams.errTerminal ? TerminalText(folder) : folder;
        const std::string path = AbsoluteFolder(folder);
        const std::string problem = path.empty() ? " cannot be found" : FolderProblem(path);
        if (!problem.empty()) {
            std::fprintf(err, "zwillingsfeger-cli: protected folder '%s'%s\n", shown.c_str(),
                         problem.c_str());
            usable = false;
        }
        protectedFolders.push_back(path);
    }
    if (options.action == CliAction::Reflink && PATH_SEPARATOR == '\\') {
        std::fprintf(err, "zwillingsfeger-cli: --reflink is not available on Windows\n");
        usable = false;
    }
    if (!usable) return 2;

    InitFileServices();
    ListClear(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
    std::vector<Omission> omissions;
    ScanRequest scanRequest{options.threads, options.minSize, options.maxSize, options.exclude};
    scanRequest.oneFileSystem = options.oneFileSystem;
    ScanResult filtered;
    const auto started = std::chrono::steady_clock::now();
    for (const std::string& folder : FoldersToScan(absolute)) {
        ScanResult scan = ScanFolder(folder, "*.*", 0, scanRequest);
        omissions.insert(omissions.end(), scan.omissions.begin(), scan.omissions.end());
        filtered.filesBySize += scan.filesBySize;
        filtered.filesByName += scan.filesByName;
        filtered.foldersByName += scan.foldersByName;
        filtered.foldersByDevice += scan.foldersByDevice;
    }
    const auto scanned = std::chrono::steady_clock::now();

    CliProgress progress{err};
    SearchRequest request{options.threads, {}};
    if (streams.errTerminal) request.progress = CliProgressSink(progress);
    SearchResult found = FindDuplicates(request);
    const auto searched = std::chrono::steady_clock::now();
    EndProgressLine(progress);
    omissions.insert(omissions.end(), found.omissions.begin(), found.omissions.end());

    ReportOmissions(err, omissions, streams.errTerminal);
    // On one console the two streams keep their order only when the first is out before the second.
    std::fflush(err);
    ActionTotals acted;
    if (options.action == CliAction::None) {
        WriteGroups(out, options.format, streams.outTerminal);
    } else {
        if (!options.dryRun) CatchInterrupts();
        acted = RunActions(options, protectedFolders, out, err, streams.errTerminal);
        if (acted.interrupted)
            std::fprintf(err, "zwillingsfeger-cli: interrupted: the rest was left as it was\n");
        std::fprintf(err, "zwillingsfeger-cli: %lld files, %lld bytes %s\n",
                     static_cast<long long>(acted.files), static_cast<long long>(acted.bytes),
                     options.dryRun                         ? "would be freed"
                     : options.action == CliAction::Reflink ? "shared"
                                                            : "freed");
    }
    const bool written = Flushed(streams);
    if (options.stats)
        WriteStats(err, found.stats, filtered, std::chrono::duration<double>(scanned - started).count(),
                   std::chrono::duration<double>(searched - scanned).count());
    if (!written) return 1;
    return omissions.empty() && acted.refused == 0 && !acted.interrupted ? 0 : 3;
}
