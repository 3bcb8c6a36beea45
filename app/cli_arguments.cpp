// Reading zwillingsfeger-cli's command line.
#include "app/cli_arguments.h"

CliOptions ParseCliArguments(const std::vector<std::string>& args) {
    CliOptions options;
    bool json = false, null = false, optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
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

std::vector<std::string> FoldersToScan(const std::vector<std::string>& absoluteFolders) {
    std::vector<std::string> scan;
    for (const std::string& folder : absoluteFolders)
        if (scan.empty() || scan.back() != folder) scan.push_back(folder);
    return scan;
}
