// zwillingsfeger-cli's command line: its options and folders, and its help text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class CliFormat { Text, Null, Json };

struct CliOptions {
    CliFormat format = CliFormat::Text;
    bool stats = false;
    int32_t threads = 0; // reading threads, 0 for the default
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
    "               the path as a JSON string in UTF-8 (bytes of a name that are not text show\n"
    "               there as U+FFFD); where the path's bytes differ from that text (a name that\n"
    "               is not valid UTF-8; on Windows any letter beyond ASCII) the member also\n"
    "               carries \"path_bytes\", the exact bytes of the path as numbers 0-255\n"
    "      --stats  report on standard error: files catalogued, candidate files, bytes read,\n"
    "               and the floor (bytes that any exact search has to read)\n"
    "      --threads N  read with N threads (1: one after another on one thread); by default\n"
    "               as many as suit the machine. The groups are the same whatever N is\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "  --           end of options: later arguments are folders even when they start with '-'\n"
    "\n"
    "Without -0 or --json every path is printed on a line of its own and groups are separated by\n"
    "an empty line (a name holding a line break needs -0 or --json to be told apart). A progress\n"
    "line is drawn on standard error when it is a terminal.\n"
    "\n"
    "On a terminal, control characters and bytes that are not text (not UTF-8; on Windows, not of\n"
    "the system's code page) show escaped in names (\\n, \\033, a backslash as \\\\), as ls -b\n"
    "shows them; into a pipe or a file names are written as they are.\n"
    "\n"
    "Exit status:\n"
    "  0  the whole search ran (with or without groups)\n"
    "  3  the search ran but left something out: every file or folder that could not be searched\n"
    "     (unreadable, an I/O error, deeper or longer than the limits, a name holding a separator,\n"
    "     vanished, changed during the search)\n"
    "     is named on standard error as 'zwillingsfeger-cli: PATH: REASON'\n"
    "  1  the output could not be written\n"
    "  2  a wrong option, a folder that does not exist, is not a folder, cannot be read or is too\n"
    "     long, a folder that the system's code page cannot name, or a relative folder while there\n"
    "     is no current folder (nothing is searched then)\n";

// Options may come before, between or after the folders; "--" ends them.
CliOptions ParseCliArguments(const std::vector<std::string>& args);

// The folders in the order to scan: like the Add-folder command, a folder equal to the one before
// (byte-wise, both with a trailing separator) is scanned once.
std::vector<std::string> FoldersToScan(const std::vector<std::string>& absoluteFolders);
