// Reading zwillingsfeger-cli's command line.
#include "app/cli_arguments.h"

#include <cctype>

int64_t ParseSize(const std::string& text) {
    const size_t digits = text.find_first_not_of("0123456789");
    const size_t end = digits == std::string::npos ? text.size() : digits;
    // Beyond 2^53 bytes nobody means a file size; the bound keeps the unit's shift from overflowing.
    if (end == 0 || end > 15 || (end != text.size() && end + 1 != text.size())) return -1;
    int shift = 0;
    if (end < text.size()) {
        const size_t unit =
            std::string("KMG").find(char(std::toupper(static_cast<unsigned char>(text[end]))));
        if (unit == std::string::npos) return -1;
        shift = 10 * int(unit + 1);
    }
    const int64_t value = std::stoll(text.substr(0, end));
    return value > (int64_t(1) << (53 - shift)) ? -1 : value << shift;
}

CliOptions ParseCliArguments(const std::vector<std::string>& args) {
    CliOptions options;
    bool json = false, null = false, optionsEnded = false;
    int actions = 0;
    // The value of an option that takes one, as "--name VALUE" or "--name=VALUE"; false without one.
    size_t i = 0;
    auto value = [&](const std::string& arg, const char* name, std::string& out) {
        const std::string option = name;
        if (arg == option && i + 1 < args.size()) {
            out = args[++i];
            return true;
        }
        if (arg.starts_with(option + "=")) {
            out = arg.substr(option.size() + 1);
            return true;
        }
        return false;
    };
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string given;
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
        } else if (arg == "--threads" || arg.starts_with("--threads=")) {
            const std::string number = arg.size() > 9 ? arg.substr(10) : i + 1 < args.size() ? args[++i] : "";
            const bool digits = !number.empty() && number.size() <= 4 &&
                                number.find_first_not_of("0123456789") == std::string::npos;
            options.threads = digits ? std::stoi(number) : 0;
            if (options.threads < 1 || options.threads > 1024) {
                options.error = "--threads needs a number from 1 to 1024";
                return options;
            }
        } else if (arg == "--delete" || arg == "--link" || arg == "--reflink") {
            options.action = arg == "--delete" ? CliAction::Delete
                             : arg == "--link" ? CliAction::Link
                                               : CliAction::Reflink;
            ++actions;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--keep" || arg.starts_with("--keep=")) {
            value(arg, "--keep", given);
            if (given != "first" && given != "oldest" && given != "newest") {
                options.error = "--keep needs first, oldest or newest";
                return options;
            }
            options.keep = given == "first"    ? CliKeep::First
                           : given == "oldest" ? CliKeep::Oldest
                                               : CliKeep::Newest;
        } else if (arg == "--protect" || arg.starts_with("--protect=")) {
            if (!value(arg, "--protect", given) || given.empty()) {
                options.error = "--protect needs a folder";
                return options;
            }
            options.protect.push_back(given);
        } else if (arg == "--one-file-system") {
            options.oneFileSystem = true;
        } else if (arg == "--exclude" || arg.starts_with("--exclude=")) {
            if (!value(arg, "--exclude", given) || given.empty()) {
                options.error = "--exclude needs a pattern";
                return options;
            }
            options.exclude.push_back(given);
        } else if (arg == "--min-size" || arg.starts_with("--min-size=") || arg == "--max-size" ||
                   arg.starts_with("--max-size=")) {
            const bool min = arg.starts_with("--min");
            value(arg, min ? "--min-size" : "--max-size", given);
            const int64_t size = ParseSize(given);
            if (size < 0) {
                options.error =
                    std::string(min ? "--min-size" : "--max-size") + " needs a size such as 4096, 64K or 2G";
                return options;
            }
            (min ? options.minSize : options.maxSize) = size;
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
    if (actions > 1) {
        options.error = "--delete, --link and --reflink cannot be combined";
        return options;
    }
    if (options.dryRun && options.action == CliAction::None) {
        options.error = "--dry-run needs --delete, --link or --reflink";
        return options;
    }
    options.format = json ? CliFormat::Json : null ? CliFormat::Null : CliFormat::Text;
    if (options.folders.empty() && !options.help && !options.version) options.error = "no folder given";
    return options;
}

std::vector<std::string> FoldersToScan(const std::vector<std::string>& absoluteFolders) {
    std::vector<std::string> scan;
    for (const std::string& folder : absoluteFolders)
        if (scan.empty() || scan.back() != folder) scan.push_back(folder);
    return scan;
}
