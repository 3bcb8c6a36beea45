// zwillingsfeger-cli's command line: its options and folders, and its help text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class CliFormat { Text, Null, Json };
enum class CliAction { None, Delete, Link, Reflink };
enum class CliKeep { First, Oldest, Newest };

struct CliOptions {
    CliFormat format = CliFormat::Text;
    CliAction action = CliAction::None;
    CliKeep keep = CliKeep::First;
    bool dryRun = false;
    std::vector<std::string> protect; // folders as given
    int64_t minSize = 0;
    int64_t maxSize = INT64_MAX;
    std::vector<std::string> exclude; // globs for names of files and folders
    bool oneFileSystem = false;
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
    "It changes nothing unless an action is given, and checks every file again before acting.\n"
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
    "               and every member \"size\", \"device\", \"inode\" and \"modified\" as the search\n"
    "               saw them (modified in nanoseconds since 1970; on Windows in 100 ns since 1601)\n"
    "      --stats  report on standard error: files catalogued, candidate files, bytes read,\n"
    "               and the floor (bytes that any exact search has to read)\n"
    "      --threads N  read with N threads (1: one after another on one thread); by default\n"
    "               as many as suit the machine. The groups are the same whatever N is\n"
    "\n"
    "Filters (hidden files are included):\n"
    "      --min-size SIZE  leave out files smaller than SIZE bytes (K, M, G: KiB, MiB, GiB),\n"
    "               e.g. --min-size 1M\n"
    "      --max-size SIZE  leave out files larger than SIZE, e.g. --max-size 2G\n"
    "      --exclude GLOB   leave out files and folders whose name matches GLOB (* ? [a-z] [!a]),\n"
    "               repeatable, e.g. --exclude '*.tmp' --exclude .git\n"
    "      --one-file-system  do not walk into folders on another file system than the folder\n"
    "               given (mounted disks, network shares), e.g. --one-file-system /\n"
    "\n"
    "Actions (at most one; every group found, one file of it kept):\n"
    "      --delete   remove the other files of each group, e.g. --delete --protect ~/Originals\n"
    "      --link     replace each other file by a hard link to the kept file (same file system\n"
    "               only). The replaced name takes the kept file's owner, mode and times\n"
    "      --reflink  (Linux) let each other file share the kept file's storage where the file\n"
    "               system can (Btrfs, XFS); the kernel compares the bytes again itself\n"
    "      --dry-run  print what the action would do and change nothing\n"
    "      --keep first|oldest|newest  the file kept: the group's first (default), or the one\n"
    "               modified longest ago or last (ties go to the first), e.g. --keep oldest\n"
    "      --protect DIR  never remove or replace a file below DIR, and keep one of those when a\n"
    "               group has any; a group wholly below protected folders is left alone.\n"
    "               Repeatable\n"
    "Before each file is acted on, it and the kept file are checked to be still the files the\n"
    "search saw, and compared byte for byte again. An action prints one line per file: 'deleted\n"
    "PATH', 'linked PATH => KEPT' or 'reflinked PATH => KEPT' (with --dry-run: 'would delete\n"
    "PATH' and so on), and at the end the files and bytes freed on standard error. Ctrl+C\n"
    "finishes the file at hand and stops.\n"
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
    "     vanished, changed during the search), or an action refused or failed on a file (changed\n"
    "     since the search, another device, no reflink support, no permission, interrupted); each\n"
    "     is named on standard error as 'zwillingsfeger-cli: PATH: REASON'\n"
    "  1  the output could not be written\n"
    "  2  a wrong option (or --reflink on Windows), a folder that does not exist, is not a folder, cannot be "
    "read or is too\n"
    "     long, a folder that the system's code page cannot name, or a relative folder while there\n"
    "     is no current folder (nothing is searched then)\n";

// SIZE with an optional K, M or G (powers of 1024); -1 when it is no such size.
int64_t ParseSize(const std::string& text);

// Options may come before, between or after the folders; "--" ends them.
CliOptions ParseCliArguments(const std::vector<std::string>& args);

// The folders in the order to scan: like the Add-folder command, a folder equal to the one before
// (byte-wise, both with a trailing separator) is scanned once.
std::vector<std::string> FoldersToScan(const std::vector<std::string>& absoluteFolders);
