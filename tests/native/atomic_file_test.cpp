#include "base/atomic_file.h"

#include "reg_file_tests.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

// The saves here run on POSIX: links, the owners and mode bits of files, and other accounts.
#ifndef _WIN32

namespace zentrim {
namespace {

namespace fs = std::filesystem;

class AtomicFile : public FileTestFolder {};

// Whatever sits at a temporary file's name before the save must keep its kind and content, and
// nothing may be written through it: the save goes on under another name. A save whose every
// name is taken fails and leaves the target as it was.
TEST_F(AtomicFile, TemporaryFileIsNeverOpenedThroughANameThatExists) {
    const fs::path victims = folder_ / "victims";
    fs::create_directory(victims);
    const Bytes victimBytes = EightBitFile("belongs to someone else");
    WriteBytes(victims / "linked", victimBytes);
    WriteBytes(folder_ / "taken-2", victimBytes);
    fs::create_symlink(victims / "linked", folder_ / "taken-0");
    fs::create_symlink(victims / "missing", folder_ / "taken-1");
    const auto takenThree = [](const fs::path& fileName, int attempt) {
        EXPECT_EQ(fileName, "registry.reg");
        return fs::path((attempt < 3 ? "taken-" : "free-") + std::to_string(attempt));
    };
    const auto plantsAreUntouched = [&] {
        std::error_code error;
        EXPECT_EQ(fs::read_symlink(folder_ / "taken-0", error), victims / "linked") << error.message();
        EXPECT_TRUE(fs::is_symlink(folder_ / "taken-1"));
        EXPECT_EQ(ReadBytes(victims / "linked"), victimBytes);
        EXPECT_FALSE(fs::exists(fs::symlink_status(victims / "missing")));
        EXPECT_EQ(ReadBytes(folder_ / "taken-2"), victimBytes);
    };

    const Bytes first = EightBitFile("first");
    ASSERT_TRUE(WriteFileAtomically(file_, first, takenThree));
    EXPECT_EQ(ReadFile(), first);
    plantsAreUntouched();
    EXPECT_FALSE(fs::exists(folder_ / "free-3")); // renamed over the target

    const auto alwaysTaken = [](const fs::path&, int) { return fs::path("taken-0"); };
    EXPECT_FALSE(WriteFileAtomically(file_, EightBitFile("second"), alwaysTaken));
    EXPECT_EQ(ReadFile(), first);
    plantsAreUntouched();
    EXPECT_EQ(FolderEntries().size(), 5u); // the target, the three names and the victims
}

// Who may replace a file, decided from its owner, group and mode as the rule says it, for an
// account of user 1000 with groups 1000 and 50, and for root.
TEST(AtomicFileReplace, TheModeAndTheOwnersDecideWhoMayReplaceAFile) {
    const FileAccount user{1000, 1000, {1000, 50}};
    const FileAccount root{0, 0, {0}};
    const struct {
        FileOwnership file;
        const FileAccount& account;
        ReplaceVerdict verdict;
    } cases[] = {
        {{1000, 1000, 0644}, user, ReplaceVerdict::Allowed},
        {{1000, 1000, 0444}, user, ReplaceVerdict::ReadOnly},
        {{1000, 1000, 0444}, root, ReplaceVerdict::ReadOnly}, // root could, but its mode says no one should
        {{1000, 1000, 0464}, user, ReplaceVerdict::NotWritable}, // the owner's own bits decide for the owner
        {{0, 0, 0644}, user, ReplaceVerdict::NotWritable},
        {{0, 50, 0664}, user, ReplaceVerdict::OwnerNotKept}, // may write it, but the new file would be ours
        {{0, 0, 0666}, user, ReplaceVerdict::OwnerNotKept},
        {{1000, 50, 0660}, user, ReplaceVerdict::Allowed},      // a supplementary group can be kept
        {{1000, 60, 0664}, user, ReplaceVerdict::GroupNotKept}, // group 60 has rights others have not
        {{1000, 60, 0644}, user, ReplaceVerdict::Allowed},      // group 60 has just the others' rights
        {{2000, 60, 0600}, root, ReplaceVerdict::Allowed},      // root keeps any owner
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "owner " << c.file.owner << ", group " << c.file.group << ", mode " << std::oct
                     << c.file.mode << ", user " << std::dec << c.account.user);
        EXPECT_EQ(DecideReplace(c.file, c.account), c.verdict);
    }
}

// A save keeps the owner, the group and the mode of the file it replaces, and refuses a file its
// account may not write or whose owner it could not keep, leaving it as it was. Root plays the
// owner of other accounts' files, and a child process that becomes "nobody" the other account.
TEST_F(AtomicFile, ASaveKeepsTheFilesOwnerAndModeOrRefusesTheFile) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root, to give files to other accounts";
    }
    constexpr uid_t kNobody = 65534;
    const Bytes old = EightBitFile("old");
    const Bytes changed = EightBitFile("changed");
    const auto owner = [&] {
        struct stat info {};
        EXPECT_EQ(::stat(file_.c_str(), &info), 0);
        return std::pair<uid_t, gid_t>(info.st_uid, info.st_gid);
    };
    WriteBytes(file_, old);
    ASSERT_EQ(::chown(file_.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(file_.c_str(), 0640), 0);
    ASSERT_TRUE(SaveFileAtomically(file_, changed));
    EXPECT_EQ(ReadFile(), changed);
    EXPECT_EQ(owner(), (std::pair<uid_t, gid_t>(kNobody, kNobody)));
    EXPECT_EQ(ModeOf(file_), 0640u);
    ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);
    EXPECT_EQ(SaveFileAtomically(file_, old).status, SaveStatus::Refused) << "read-only, even for root";
    EXPECT_EQ(ReadFile(), changed);

    // As nobody, in a folder that anyone may write.
    ASSERT_EQ(::chmod(folder_.c_str(), 0777), 0);
    const struct {
        uid_t owner;
        unsigned mode;
        SaveStatus status;
    } cases[] = {
        {0, 0644, SaveStatus::Refused},     // another's file it may not write
        {0, 0666, SaveStatus::Refused},     // one it may write, but not as its owner
        {kNobody, 0644, SaveStatus::Saved}, // its own
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "owner " << c.owner << ", mode " << std::oct << c.mode);
        WriteBytes(file_, old);
        ASSERT_EQ(::chown(file_.c_str(), c.owner, c.owner), 0);
        ASSERT_EQ(::chmod(file_.c_str(), c.mode), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
                ::_exit(100);
            }
            ::_exit(static_cast<int>(SaveFileAtomically(file_, changed).status));
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(c.status));
        EXPECT_EQ(ReadFile(), c.status == SaveStatus::Saved ? changed : old);
        EXPECT_EQ(owner(), (std::pair<uid_t, gid_t>(c.owner, c.owner)));
        EXPECT_EQ(ModeOf(file_), c.mode);
        EXPECT_EQ(FolderEntries(), std::vector<fs::path>{"registry.reg"});
    }
}

// A save given what the file held when it was read leaves a file that changed since as it is:
// whether its bytes changed (the size and time of last write put back), its size, only its time,
// or it was replaced by a copy.
TEST_F(AtomicFile, ASaveLeavesAFileThatChangedSinceItWasReadAsItIs) {
    const Bytes read = EightBitFile("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n");
    const Bytes mine = EightBitFile("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Mine]\n");
    const timespec readTime[2] = {{1'700'000'000, 0}, {1'700'000'000, 0}};
    const timespec laterTime[2] = {{1'700'000'000, 0}, {1'700'000'001, 0}};
    const Bytes sameSize = EightBitFile("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\B]\n");
    const struct {
        std::string_view change;
        std::function<void()> apply;
        Bytes after;
    } cases[] = {
        {"other bytes",
         [&] {
             WriteBytes(file_, sameSize);
             ::utimensat(AT_FDCWD, file_.c_str(), readTime, 0);
         },
         sameSize},
        {"longer",
         [&] {
             Bytes longer = read;
             longer.push_back('\n');
             WriteBytes(file_, longer);
             ::utimensat(AT_FDCWD, file_.c_str(), readTime, 0);
         },
         [&] {
             Bytes longer = read;
             longer.push_back('\n');
             return longer;
         }()},
        {"touched", [&] { ::utimensat(AT_FDCWD, file_.c_str(), laterTime, 0); }, read},
        {"a copy",
         [&] {
             WriteBytes(folder_ / "copy", read);
             ::utimensat(AT_FDCWD, (folder_ / "copy").c_str(), readTime, 0);
             fs::rename(folder_ / "copy", file_);
         },
         read},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.change));
        WriteBytes(file_, read);
        ::utimensat(AT_FDCWD, file_.c_str(), readTime, 0);
        const StampedFile stamped = ReadStampedFile(file_);
        ASSERT_TRUE(stamped) << stamped.error;
        EXPECT_EQ(stamped.bytes, read);
        c.apply();
        EXPECT_EQ(SaveFileAtomically(file_, mine, &stamped.stamp).status, SaveStatus::ChangedMeanwhile);
        EXPECT_EQ(ReadFile(), c.after);
        EXPECT_EQ(FolderEntries(), std::vector<fs::path>{"registry.reg"});
    }
    WriteBytes(file_, read);
    const StampedFile stamped = ReadStampedFile(file_);
    EXPECT_TRUE(SaveFileAtomically(file_, mine, &stamped.stamp));
    EXPECT_EQ(ReadFile(), mine);
}

} // namespace
} // namespace zentrim

#endif
