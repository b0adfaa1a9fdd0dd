#include "installer/placement.h"

#include <string>
#include <vector>

#include "installer/paths.h"

namespace quorin {
namespace {

class Placement {
public:
    Placement(const Text& folder, PlacementPlatform& platform) : folder_(folder), p_(platform) {}

    PlaceOutcome Run(const SetupEntry& entry) {
        if (entry.LzSource.empty() || entry.LzTarget.empty() || !StaysInsideFolder(entry.LzSource) ||
            !StaysInsideFolder(entry.LzTarget))
            return PlaceOutcome::UnsafeName;
        const Text source = JoinFolder(folder_, entry.LzSource);
        const Text target = JoinFolder(folder_, entry.LzTarget);

        bool exists = false;
        Attempt([&] { exists = p_.IsExisting(source); });
        if (!exists)
            return PlaceOutcome::SourceMissing;

        Text expanded;
        Attempt([&] { expanded = p_.ExpandedName(source); });
        if (expanded.empty())
            return PlaceOutcome::NoExpandedName;
        // An uncompressed file "expands" to itself; opening it as its own output would empty it.
        const bool uncompressed = SamePath(expanded, source);
        if (uncompressed && SamePath(source, target))
            return PlaceOutcome::AlreadyInPlace;
        // A compressed file names its expanded file itself, and that file may be replaced
        // below: the name must pass the rule the script's names pass.
        if (!uncompressed && !IsAcceptableExpandedName(expanded))
            return PlaceOutcome::NoExpandedName;

        const Text temp = NewTemporaryFile();
        if (temp.empty())
            return PlaceOutcome::ExpansionFailed;
        bool failed = true;
        if (Attempt([&] { p_.Expand(source, temp); }))
            Attempt([&] { failed = p_.ExpansionFailed(); });
        if (failed) {
            Discard(temp);
            return PlaceOutcome::ExpansionFailed;
        }
        if (!Appeared(temp)) {
            Discard(temp);
            return PlaceOutcome::NeverAppeared;
        }

        // The rename fails when the target exists.
        if (Attempt([&] { p_.Rename(temp, target); }))
            return PlaceOutcome::Placed;
        // Failed for another reason (a locked folder, a refused call): nothing is placed, and
        // no copy under the expanded name may pretend otherwise.
        bool targetExists = true;
        Attempt([&] { targetExists = p_.IsPathExisting(target); });
        if (!targetExists) {
            Discard(temp);
            return PlaceOutcome::NotMoved;
        }
        if (uncompressed) {
            Discard(temp);
            return PlaceOutcome::TargetKept;
        }
        if (SamePath(expanded, target)) {
            // Expanding in place again: the fresh file replaces the installed one.
            if (MoveReplacing(temp, target))
                return PlaceOutcome::Placed;
        } else {
            // The target stays; the new file keeps the expanded name, replacing an earlier copy.
            if (MoveReplacing(temp, expanded))
                return PlaceOutcome::KeptUnderExpandedName;
        }
        Discard(temp);
        return PlaceOutcome::NotMoved;
    }

private:
    // Inside the folder, no device, none of Setup's own files.
    bool IsAcceptableExpandedName(const Text& expanded) {
        const Text prefix = JoinFolder(folder_, Text());
        if (expanded.size() <= prefix.size() || expanded.compare(0, prefix.size(), prefix) != 0)
            return false;
        const Text name = expanded.substr(prefix.size());
        std::vector<Text> own;
        return StaysInsideFolder(name) && Attempt([&] { own = p_.OwnFiles(); }) && !NamesOwnFile(name, own);
    }

    // An empty file of a temporary name, created here. The existence test passes hidden and
    // system files over, so only an exclusive creation tells a free name from a user's file.
    // Empty when none can be created.
    Text NewTemporaryFile() {
        for (int n = 0; n < kTemporaryNames; ++n) {
            const Text candidate = PlacementTemporaryName(folder_, n);
            bool created = false;
            if (!Attempt([&] { created = p_.CreateNewFile(candidate); }))
                return Text(); // the folder takes no new file at all
            if (created)
                return candidate;
        }
        return Text();
    }

    // The expansion is synchronous on every platform seen so far, but the wait is kept, and
    // bounded, in case the file system shows the new file late.
    bool Appeared(const Text& path) {
        for (int poll = 1;; ++poll) {
            bool seen = false;
            Attempt([&] { seen = p_.IsPathExisting(path); });
            if (seen)
                return true;
            if (poll >= kAppearPolls)
                return false;
            Attempt([&] { p_.Pause(kAppearPollMs); });
        }
    }

    // Gives `from` the name `to`, replacing a file of that name. The old file is first moved
    // aside and only deleted once the new one is in place; when anything fails, it is put back.
    bool MoveReplacing(const Text& from, const Text& to) {
        if (Attempt([&] { p_.Rename(from, to); }))
            return true;
        // The name set aside is freed just before the old file takes it; a rename never
        // replaces, so a file that took the name meanwhile makes it fail, harmlessly.
        const Text aside = NewTemporaryFile();
        if (aside.empty())
            return false;
        if (!Attempt([&] { p_.Delete(aside); }) || !Attempt([&] { p_.Rename(to, aside); }))
            return false;
        if (Attempt([&] { p_.Rename(from, to); })) {
            if (Attempt([&] { p_.Delete(aside); }))
                return true;
            // The old file cannot be deleted (read-only, in use): leave everything as it was.
            Attempt([&] { p_.Rename(to, from); });
        }
        Attempt([&] { p_.Rename(aside, to); });
        return false;
    }

    void Discard(const Text& path) {
        Attempt([&] { p_.Delete(path); });
    }

    const Text& folder_;
    PlacementPlatform& p_;
};

} // namespace

Text PlacementTemporaryName(const Text& folder, int n) {
    const std::string digits = std::to_string(n);
    return JoinFolder(folder, u"~QI" + Text(digits.begin(), digits.end()) + u".TMP");
}

bool PlacementSucceeded(PlaceOutcome outcome) noexcept {
    return outcome == PlaceOutcome::Placed || outcome == PlaceOutcome::AlreadyInPlace;
}

PlaceOutcome PlaceFile(const Text& folder, const SetupEntry& entry, PlacementPlatform& platform) noexcept {
    try {
        return Placement(folder, platform).Run(entry);
    } catch (...) {
        // Only running out of memory gets here.
        return PlaceOutcome::NotMoved;
    }
}

} // namespace quorin
