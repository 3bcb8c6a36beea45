// The command line's actions: the member kept, the copies acted on, and what each line says.
#include "app/cli_actions.h"

#include "app/cli_output.h"
#include "core/actions.h"
#include "core/deletion.h"
#include "platform/process.h"

void (*BeforeActionsHook)() = nullptr;

namespace {

const char* Word(CliAction action, bool dryRun) {
    switch (action) {
    case CliAction::Delete:
        return dryRun ? "would delete" : "deleted";
    case CliAction::Link:
        return dryRun ? "would link" : "linked";
    default:
        return dryRun ? "would reflink" : "reflinked";
    }
}

// One line for a file acted on, in the output's format; Kept is shown for a link or a reflink.
void WriteAction(std::FILE* out, CliFormat format, bool escape, const char* word, std::string path,
                 std::string kept, bool withKept, int64_t bytes, bool first) {
    if (format == CliFormat::Json) {
        std::fprintf(out, "%s\n{\"action\":\"%s\",\"file\":%s", first ? "" : ",", word,
                     JsonMember(path).c_str());
        if (withKept) std::fprintf(out, ",\"kept\":%s", JsonMember(kept).c_str());
        std::fprintf(out, ",\"bytes\":%lld}", static_cast<long long>(bytes));
    } else if (format == CliFormat::Null) {
        for (const std::string* text : {&path, &kept}) {
            if (text == &kept && !withKept) break;
            std::fputs(text == &path ? word : "=>", out);
            std::fputc('\0', out);
            std::fwrite(text->data(), 1, text->size(), out);
            std::fputc('\0', out);
        }
    } else {
        if (escape) {
            path = TerminalText(path);
            kept = TerminalText(kept);
        }
        std::fprintf(out, "%s %s", word, path.c_str());
        if (withKept) std::fprintf(out, " => %s", kept.c_str());
        std::fputc('\n', out);
    }
}

} // namespace

bool IsProtected(const std::string& path, const std::vector<std::string>& protectedFolders) {
    for (const std::string& folder : protectedFolders)
        if (path.starts_with(folder)) return true;
    return false;
}

GroupMember* KeptMember(const std::vector<GroupMember*>& members, CliKeep keep,
                        const std::vector<std::string>& protectedFolders) {
    std::vector<GroupMember*> choice;
    for (GroupMember* member : members)
        if (IsProtected(FullPath(*member), protectedFolders)) choice.push_back(member);
    if (choice.empty()) choice = members;
    GroupMember* kept = choice.front();
    for (GroupMember* member : choice)
        if ((keep == CliKeep::Oldest && member->Seen.modified < kept->Seen.modified) ||
            (keep == CliKeep::Newest && member->Seen.modified > kept->Seen.modified))
            kept = member;
    return kept;
}

ActionTotals RunActions(const CliOptions& options, const std::vector<std::string>& protectedFolders,
                        std::FILE* out, std::FILE* err, bool escape) {
    const CopyAction action = options.action == CliAction::Delete ? ACTION_DELETE
                              : options.action == CliAction::Link ? ACTION_LINK
                                                                  : ACTION_REFLINK;
    const char* word = Word(options.action, options.dryRun);
    const bool withKept = options.action != CliAction::Delete;
    ActionTotals totals;
    bool first = true;
    if (BeforeActionsHook) BeforeActionsHook();
    if (options.format == CliFormat::Json) std::fputs("{\"actions\":[", out);
    for (ListLink* link = GroupList.head; link && !totals.interrupted; link = link->next) {
        const DuplicateGroup& group = *static_cast<const DuplicateGroup*>(link);
        const std::vector<GroupMember*> members = MembersOf(group);
        GroupMember* kept = KeptMember(members, options.keep, protectedFolders);
        const std::string keptPath = FullPath(*kept);
        for (const GroupMember* copy : members) {
            const std::string path = FullPath(*copy);
            if (copy == kept || IsProtected(path, protectedFolders)) continue;
            // The file at hand is finished; the next is not begun.
            if (Interrupted()) {
                totals.interrupted = true;
                break;
            }
            ActionOutcome outcome{true, copy->Seen.size, {}};
            if (!options.dryRun) outcome = ActOnCopy(action, *kept, *copy);
            if (!outcome.done) {
                const std::string shown = escape ? TerminalText(path) : path;
                std::fprintf(err, "zwillingsfeger-cli: %s: %s\n", shown.c_str(), outcome.reason.c_str());
                ++totals.refused;
                continue;
            }
            WriteAction(out, options.format, escape, word, path, keptPath, withKept, outcome.freed, first);
            first = false;
            ++totals.files;
            totals.bytes += outcome.freed;
        }
    }
    if (options.format == CliFormat::Json) std::fputs("\n]}\n", out);
    return totals;
}
