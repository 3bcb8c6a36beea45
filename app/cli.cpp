// zwillingsfeger-cli: catalogues the folders given on the command line as the Add-folder command would,
// runs the duplicate search and prints the groups. It never deletes anything.
#include "core/lists.h"
#include "core/scan.h"
#include "core/search.h"
#include "platform/console/console_bars.h"
#include "platform/file_services.h"

#include <sys/stat.h>
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
    "Exit status: 0 when the search ran (with or without groups), 1 when the output could not be\n"
    "written, 2 for a wrong option or a folder that does not exist, is not a folder or cannot be\n"
    "read (nothing is searched then).\n";

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

inline bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// The folder as an absolute path ending with one separator. The file services resolve relative paths
// against the program's own folder, so a relative argument is joined to the current folder here.
// "." segments and doubled separators are dropped; ".." stays, as a link may stand before it.
inline std::string AbsoluteFolder(const std::string& folder, const std::string& currentFolder) {
#ifdef _WIN32
    (void)currentFolder;
    char full[4096];
    std::string path = _fullpath(full, folder.c_str(), sizeof full) ? std::string(full) : folder;
    if (path.empty() || !IsSeparator(path.back())) path.push_back(PATH_SEPARATOR);
    return path;
#else
    std::string joined = !folder.empty() && IsSeparator(folder[0]) ? folder : currentFolder + "/" + folder;
    std::string path;
    size_t at = 0;
    while (at < joined.size()) {
        size_t end = joined.find('/', at);
        if (end == std::string::npos) end = joined.size();
        std::string segment = joined.substr(at, end - at);
        if (!segment.empty() && segment != ".") path.append("/").append(segment);
        at = end + 1;
    }
    path.push_back('/');
    return path;
#endif
}

// The folders in the order to scan: like the Add-folder command, a folder equal to the one before
// (byte-wise, both with a trailing separator) is scanned once.
inline std::vector<std::string> FoldersToScan(const std::vector<std::string>& absoluteFolders) {
    std::vector<std::string> scan;
    for (const std::string& folder : absoluteFolders)
        if (scan.empty() || scan.back() != folder) scan.push_back(folder);
    return scan;
}

// Empty when the folder can be catalogued, otherwise why not.
inline std::string FolderProblem(const std::string& folder) {
    struct stat info;
    if (folder.empty()) return "does not exist";
    if (stat(folder.c_str(), &info) != 0) {
        if (errno == ENOTDIR) return "is not a folder";
        if (errno == EACCES) return "cannot be read";
        return "does not exist";
    }
    if (!S_ISDIR(info.st_mode)) return "is not a folder";
    if (access(folder.c_str(), R_OK | X_OK) != 0) return "cannot be read";
    return {};
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
inline void WriteGroups(std::FILE* out, CliFormat format) {
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

inline std::string CurrentFolder() {
    std::vector<char> buffer(PATH_MAX > 0 ? PATH_MAX : 4096);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) return buffer.data();
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
}

// The whole program; Out and Err stand for standard output and standard error.
inline int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, bool showProgress) {
    CliOptions options = ParseCliArguments(args);
    if (!options.error.empty()) {
        std::fprintf(err, "zwillingsfeger-cli: %s\n%sTry 'zwillingsfeger-cli --help'.\n",
                     options.error.c_str(), CLI_USAGE);
        return 2;
    }
    if (options.help) {
        std::fputs(CLI_USAGE, out);
        std::fputs(CLI_HELP, out);
        return std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
    }
    if (options.version) {
        std::fputs("zwillingsfeger-cli " ZW_VERSION "\n", out);
        return std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
    }

    // Every folder is checked before anything is scanned: a typo should not cost a long search.
    std::string currentFolder = CurrentFolder();
    std::vector<std::string> absolute;
    bool usable = true;
    for (const std::string& folder : options.folders) {
        std::string path = folder.empty() ? std::string() : AbsoluteFolder(folder, currentFolder);
        std::string problem = FolderProblem(path);
        if (!problem.empty()) {
            std::fprintf(err, "zwillingsfeger-cli: '%s' %s\n", folder.c_str(), problem.c_str());
            usable = false;
        }
        absolute.push_back(path);
    }
    if (!usable) return 2;

    InitFileServices();
    ListClear(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
    for (const std::string& folder : FoldersToScan(absolute))
        ScanFolder(folder, "*.*", 0);

    ConsoleShowProgress(showProgress);
    FindDuplicates();
    ConsoleShowProgress(false);

    WriteGroups(out, options.format);
    bool written = std::fflush(out) == 0 && !std::ferror(out);
    if (options.stats) WriteStats(err);
    // The lists are released here rather than by the exit handlers, so that a test can run twice.
    ListClear(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
    if (!written) {
        std::fprintf(err, "zwillingsfeger-cli: the output could not be written: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

#ifndef ZW_CLI_NO_MAIN
int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunCli(args, stdout, stderr, isatty(2) != 0);
}
#endif
