// The command line's output formats.
#include "app/cli_output.h"

#include "core/lists.h"
#include "platform/common/utf8.h"
#include "platform/text.h"

std::string TerminalText(const std::string& name) {
    // Judged as UTF-8: a code page's letters are text, its control bytes are the same as there.
    const std::string text = TextToUtf8(name);
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        size_t length = zw_common::Utf8SequenceLength(text, at);
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
    return TextFromUtf8(out);
}

std::string JsonString(const std::string& text, bool* valid) {
    std::string out = "\"";
    *valid = true;
    for (size_t at = 0; at < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        size_t length = zw_common::Utf8SequenceLength(text, at);
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

// On Windows the path is code-page text: every byte beyond ASCII differs from its UTF-8 form.
std::string JsonMember(const std::string& path) {
    bool valid = true;
    const std::string text = TextToUtf8(path);
    std::string out = "{\"path\":" + JsonString(text, &valid);
    if (!valid || text != path) {
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

void WriteGroups(std::FILE* out, CliFormat format, bool escape) {
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
                // What the search saw of the file, so that a reviewed list can be checked again later.
                const FileStamp& seen = static_cast<const GroupMember*>(link)->Seen;
                std::string member = JsonMember(path);
                member.pop_back();
                member += ",\"size\":" + std::to_string(seen.size) +
                          ",\"device\":" + std::to_string(seen.identity.device) +
                          ",\"inode\":" + std::to_string(seen.identity.index) +
                          ",\"modified\":" + std::to_string(seen.modified) + "}";
                if (i) std::fputc(',', out);
                std::fputs(member.c_str(), out);
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

void WriteStats(std::FILE* err, const SearchStats& stats, const ScanResult& filtered, double scanSeconds,
                double searchSeconds) {
    std::fprintf(err,
                 "filtered out:     %lld files by size, %lld files and %lld folders by name, %lld folders on "
                 "other file systems\n",
                 static_cast<long long>(filtered.filesBySize), static_cast<long long>(filtered.filesByName),
                 static_cast<long long>(filtered.foldersByName),
                 static_cast<long long>(filtered.foldersByDevice));
    std::fprintf(err,
                 "files catalogued: %lld\n"
                 "candidate files:  %lld (%lld bytes)\n"
                 "bytes read:       %lld\n"
                 "floor:            %lld bytes\n"
                 "groups:           %lld (%lld files)\n"
                 "time:             %.3f s scan, %.3f s search\n",
                 static_cast<long long>(stats.filesCatalogued), static_cast<long long>(stats.candidateFiles),
                 static_cast<long long>(stats.candidateBytes), static_cast<long long>(stats.bytesRead),
                 static_cast<long long>(stats.floorBytes), static_cast<long long>(stats.groups),
                 static_cast<long long>(stats.groupedFiles), scanSeconds, searchSeconds);
}

void ReportOmissions(std::FILE* err, const std::vector<Omission>& omissions, bool escape) {
    for (const Omission& omission : omissions) {
        const std::string path = escape ? TerminalText(omission.path) : omission.path;
        std::fprintf(err, "zwillingsfeger-cli: %s: %s\n", path.c_str(), omission.reason.c_str());
    }
}
