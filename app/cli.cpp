// zwillingsfeger-cli: catalogues the folders given on the command line as the Add-folder command would,
// runs the duplicate search and prints the groups. It never deletes anything.
#include "core/lists.h"
#include "core/omissions.h"
#include "core/scan.h"
#include "core/search.h"
#include "platform/console/console_bars.h"
#include "platform/file_services.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef ZW_VERSION
#define ZW_VERSION "unknown"
#endif

enum class CliFormat { Text, Null, Json };

struct CliOptions {
    CliFormat format = CliFormat::Text;
    bool stats = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> folders;
    std::string error; // non-empty when the command line cannot be used
};

inline constexpr const char* CLI_USAGE = "Usage: zwillingsfeger-cli [OPTION]... FOLDER...\n";

inline constexpr const char* CLI_HELP =
    "Finds files with identical content below the given folders and prints them in groups.\n"
    "Nothing is ever deleted.\n"
    "\n"
    "The folders are catalogued in the order given (a folder given twice in a row is catalogued\n"
    "once), every file of the same non-zero size is compared byte by byte, and each group lists\n"
    "the full paths of its files, the earliest catalogued file first. Symbolic links, special\n"
    "files and second names of one file (hard links, a folder given twice) never form a group.\n"
    "\n"
    "Options:\n"
    "  -0, --null   end every path with a NUL byte and put an extra NUL between groups\n"
    "               (safe for any byte in a name)\n"
    "      --json   print {\"groups\":[[{\"path\":...},...],...]}, one group per line. \"path\" is\n"
    "               the path as a JSON string; when the name is not valid UTF-8 its invalid\n"
    "               bytes show there as U+FFFD and the member also carries \"path_bytes\", the\n"
    "               exact bytes of the path as an array of numbers 0-255\n"
    "      --stats  report on standard error: files catalogued, candidate files, bytes read,\n"
    "               and the floor (bytes that any exact search has to read)\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "  --           end of options: later arguments are folders even when they start with '-'\n"
    "\n"
    "Without -0 or --json every path is printed on a line of its own and groups are separated by\n"
    "an empty line (a name holding a line break needs -0 or --json to be told apart). A progress\n"
    "line is drawn on standard error when it is a terminal.\n"
    "\n"
    "On a terminal, control characters and bytes that are not UTF-8 show escaped in names (\\n,\n"
    "\\033, a backslash as \\\\), as ls -b shows them; into a pipe or a file names are written as\n"
    "they are.\n"
    "\n"
    "Exit status:\n"
    "  0  the whole search ran (with or without groups)\n"
    "  3  the search ran but left something out: every file or folder that could not be searched\n"
    "     (unreadable, an I/O error, deeper than the limit, vanished, changed during the search)\n"
    "     is named on standard error as 'zwillingsfeger-cli: PATH: REASON'\n"
    "  1  the output could not be written\n"
    "  2  a wrong option, a folder that does not exist, is not a folder or cannot be read, or a\n"
    "     relative folder while there is no current folder (nothing is searched then)\n";

// Options may come before, between or after the folders; "--" ends them.
inline CliOptions ParseCliArguments(const std::vector<std::string>& args) {
    CliOptions options;
    bool json = false, null = false, optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.folders.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-0" || arg == "--null") {
            null = true;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--stats") {
            options.stats = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "-V" || arg == "--version") {
            options.version = true;
        } else {
            options.error = "unknown option '" + arg + "'";
            return options;
        }
    }
    if (json && null) {
        options.error = "-0 and --json cannot be combined";
        return options;
    }
    options.format = json ? CliFormat::Json : null ? CliFormat::Null : CliFormat::Text;
    if (options.folders.empty() && !options.help && !options.version) options.error = "no folder given";
    return options;
}

// The folders in the order to scan: like the Add-folder command, a folder equal to the one before
// (byte-wise, both with a trailing separator) is scanned once.
inline std::vector<std::string> FoldersToScan(const std::vector<std::string>& absoluteFolders) {
    std::vector<std::string> scan;
    for (const std::string& folder : absoluteFolders)
        if (scan.empty() || scan.back() != folder) scan.push_back(folder);
    return scan;
}

// Empty when the folder (absolute) can be catalogued, otherwise why not, to follow its name.
inline std::string FolderProblem(const std::string& folder) {
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

// Length of the valid UTF-8 sequence at Text[at], 0 when the byte there does not start one.
inline size_t Utf8SequenceLength(const std::string& text, size_t at) {
    auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    auto continuation = [&](size_t i) { return (byte(i) & 0xC0) == 0x80; };
    unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        unsigned second = byte(at + 1);
        if (lead == 0xE0 && second < 0xA0) return 0;  // overlong
        if (lead == 0xED && second >= 0xA0) return 0; // surrogate
        return continuation(at + 1) && continuation(at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        unsigned second = byte(at + 1);
        if (lead == 0xF0 && second < 0x90) return 0;  // overlong
        if (lead == 0xF4 && second >= 0x90) return 0; // beyond U+10FFFF
        return continuation(at + 1) && continuation(at + 2) && continuation(at + 3) ? 4 : 0;
    }
    return 0;
}

// Text for a terminal, as ls -b shows names: control bytes (C0 and C1) and bytes that are not UTF-8
// become escapes such as \n or \033, and a backslash \\, so that no name can move the cursor or
// recolour the screen.
inline std::string TerminalText(const std::string& text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        size_t length = Utf8SequenceLength(text, at);
        const bool c1 = length == 2 && c == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
        if (length == 0 || c1 || c < 0x20 || c == 0x7F) {
            for (size_t i = 0; i < (c1 ? 2u : 1u); ++i) {
                const unsigned char byte = static_cast<unsigned char>(text[at + i]);
                char escape[8];
                if (byte >= 7 && byte <= 13)
                    std::snprintf(escape, sizeof escape, "\\%c", "abtnvfr"[byte - 7]);
                else
                    std::snprintf(escape, sizeof escape, "\\%03o", byte);
                out += escape;
            }
            at += c1 ? 2 : 1;
            continue;
        }
        if (c == '\\')
            out += "\\\\";
        else
            out.append(text, at, length);
        at += length;
    }
    return out;
}

// Text as a JSON string literal; bytes that are not valid UTF-8 become U+FFFD and clear *Valid.
inline std::string JsonString(const std::string& text, bool* valid) {
    std::string out = "\"";
    *valid = true;
    for (size_t at = 0; at < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            out += "\\ufffd";
            *valid = false;
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out.append(text, at, length);
        }
        at += length;
    }
    out.push_back('"');
    return out;
}

// One JSON object for a member: its path, and its exact bytes when the path is not valid UTF-8.
inline std::string JsonMember(const std::string& path) {
    bool valid = true;
    std::string out = "{\"path\":" + JsonString(path, &valid);
    if (!valid) {
        out += ",\"path_bytes\":[";
        for (size_t i = 0; i < path.size(); ++i) {
            if (i) out.push_back(',');
            out += std::to_string(static_cast<unsigned char>(path[i]));
        }
        out.push_back(']');
    }
    out.push_back('}');
    return out;
}

// Prints the groups of GroupList in their order, each group's members as FullPath in member order.
// Escape shows text paths as a terminal should show them.
inline void WriteGroups(std::FILE* out, CliFormat format, bool escape) {
    if (format == CliFormat::Json) std::fputs("{\"groups\":[", out);
    bool firstGroup = true;
    ListReset(GroupList);
    while (ListNext(GroupList)) {
        const DuplicateGroup& group = *GroupList.Current();
        if (!firstGroup) {
            if (format == CliFormat::Text) std::fputc('\n', out);
            if (format == CliFormat::Null) std::fputc('\0', out);
            if (format == CliFormat::Json) std::fputc(',', out);
        }
        firstGroup = false;
        if (format == CliFormat::Json) std::fputs("\n[", out);
        const ListLink* link = group.FirstMember;
        for (int32_t i = 0; i < group.Count && link; ++i, link = link->next) {
            std::string path = FullPath(*static_cast<const GroupMember*>(link));
            if (format == CliFormat::Json) {
                if (i) std::fputc(',', out);
                std::fputs(JsonMember(path).c_str(), out);
            } else {
                if (escape && format == CliFormat::Text) path = TerminalText(path);
                std::fwrite(path.data(), 1, path.size(), out);
                std::fputc(format == CliFormat::Null ? '\0' : '\n', out);
            }
        }
        if (format == CliFormat::Json) std::fputc(']', out);
    }
    if (format == CliFormat::Json) std::fputs("\n]}\n", out);
}

inline void WriteStats(std::FILE* err) {
    const SearchStats& stats = LastSearchStats();
    std::fprintf(err,
                 "files catalogued: %lld\n"
                 "candidate files:  %lld (%lld bytes)\n"
                 "bytes read:       %lld\n"
                 "floor:            %lld bytes\n"
                 "groups:           %lld (%lld files)\n",
                 static_cast<long long>(stats.filesCatalogued), static_cast<long long>(stats.candidateFiles),
                 static_cast<long long>(stats.candidateBytes), static_cast<long long>(stats.bytesRead),
                 static_cast<long long>(stats.floorBytes), static_cast<long long>(stats.groups),
                 static_cast<long long>(stats.groupedFiles));
}

// Where the program writes, and which of the two streams is a terminal (a progress line, escaped names).
struct CliStreams {
    std::FILE* out;
    std::FILE* err;
    bool outTerminal = false;
    bool errTerminal = false;
};

// Flushes Out; false, with the reason told on Err, when what was written did not all arrive.
inline bool Flushed(const CliStreams& streams) {
    if (std::fflush(streams.out) == 0 && !std::ferror(streams.out)) return true;
    std::fprintf(streams.err, "zwillingsfeger-cli: the output could not be written: %s\n",
                 std::strerror(errno));
    return false;
}

// Reports what the scans and the search left out; true when nothing was.
inline bool ReportOmissions(const CliStreams& streams) {
    for (const auto* list : {&ScanOmissions, &SearchOmissions})
        for (const Omission& omission : *list) {
            const std::string path = streams.errTerminal ? TerminalText(omission.path) : omission.path;
            std::fprintf(streams.err, "zwillingsfeger-cli: %s: %s\n", path.c_str(), omission.reason.c_str());
        }
    return ScanOmissions.empty() && SearchOmissions.empty();
}

// The whole program. Exit status: 0 a whole search, 3 a search that left something out, 1 the output
// could not be written, 2 nothing searched.
inline int RunCli(const std::vector<std::string>& args, const CliStreams& streams) {
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
    if (!usable) return 2;

    InitFileServices();
    ListClear(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
    ScanOmissions.clear();
    for (const std::string& folder : FoldersToScan(absolute))
        ScanFolder(folder, "*.*", 0);

    ConsoleShowProgress(streams.errTerminal);
    FindDuplicates();
    ConsoleShowProgress(false);

    const bool whole = ReportOmissions(streams);
    WriteGroups(out, options.format, streams.outTerminal);
    const bool written = Flushed(streams);
    if (options.stats) WriteStats(err);
    // The lists are released here rather than by the exit handlers, so that a test can run twice.
    ListClear(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
    if (!written) return 1;
    return whole ? 0 : 3;
}

#ifndef ZW_CLI_NO_MAIN
int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunCli(args, {stdout, stderr, isatty(1) != 0, isatty(2) != 0});
}
#endif
