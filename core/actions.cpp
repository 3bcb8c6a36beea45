// The check before an action on a copy, and the action itself through the file services.
#include "core/actions.h"

#include "core/deletion.h"
#include "core/omissions.h"
#include "platform/file_services.h"

namespace {

// Copy's path, opened now in slot 1, names the very file the search saw, unchanged, and Kept is still an
// intact copy of it.
bool StillCopies(const GroupMember& kept, const GroupMember& copy) {
    FileStamp now;
    const bool copies = OpenForReading(1, FullPath(copy)) && OpenedFileStamp(&now) && now == copy.Seen &&
                        IsIntactCopy(kept, copy);
    CloseFileSlot(1);
    return copies;
}

ActionOutcome Failure() {
    return {false, 0, FailureReason(LastFailure(), LastFailureText())};
}

// After a link was made to Kept: only its change time may differ from what the search saw.
void TakeNewChangeTime(GroupMember& kept) {
    FileStamp now;
    if (OpenForReading(1, FullPath(kept)) && OpenedFileStamp(&now) && now.identity == kept.Seen.identity &&
        now.size == kept.Seen.size && now.modified == kept.Seen.modified)
        kept.Seen.changed = now.changed;
    CloseFileSlot(1);
}

// The copy is held (moved aside, or held open) before it is checked, so that what is removed or replaced is
// exactly the file checked; one that cannot go back under its name is told where it stands.
ActionOutcome ReplaceCopy(CopyAction action, GroupMember& kept, const GroupMember& copy) {
    HeldFile held;
    const Deletion hold = HoldCheckedMember(copy, &kept, nullptr, &held);
    if (hold.result == DELETION_FAILED) return Failure();
    if (hold.result == DELETION_REFUSED) {
        const std::string at = hold.leftAt.empty() ? "" : "; it stands at " + hold.leftAt;
        return {false, 0, REASON_CHANGED_SINCE + at};
    }
    if (action == ACTION_DELETE && RemoveHeldFile(&held)) return {true, copy.Seen.size, {}};
    if (action == ACTION_LINK && ReplaceHeldByLink(&held, FullPath(kept), kept.Seen.identity)) {
        TakeNewChangeTime(kept);
        return {true, copy.Seen.size, {}};
    }
    const std::string reason = FailureReason(LastFailure(), LastFailureText());
    const std::string at = HeldPath(held);
    return {false, 0, at.empty() ? reason : reason + "; it stands at " + at};
}

} // namespace

ActionOutcome ActOnCopy(CopyAction action, GroupMember& kept, const GroupMember& copy) {
    if (action != ACTION_REFLINK) return ReplaceCopy(action, kept, copy);
    // The kernel compares the ranges itself and shares only equal ones: no content can change here.
    if (!StillCopies(kept, copy)) return {false, 0, REASON_CHANGED_SINCE};
    const int64_t shared = ShareStorage(FullPath(kept), FullPath(copy), copy.Seen.size);
    if (shared < 0) return Failure();
    TakeNewChangeTime(kept);
    return {true, shared, {}};
}
