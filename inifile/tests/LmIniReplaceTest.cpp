// LmIniPutS: what it replaces, what it keeps, and that the old file survives
// every failure of the replacement.
#include <LmIni.h>

#include "LmIniTestUtil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace lmini_test;

namespace {

class PutS : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir.file("env.bet");
};

TEST_F(PutS, MissingFileIsCreatedWithOneLine)
{
    ASSERT_EQ(LmIniPutS(path.c_str(), "FileID", "LmEnvFile"), LMINI_OK);
    EXPECT_EQ(ReadText(path), "FileID = LmEnvFile\n");
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"env.bet"});
    EXPECT_EQ(LmIniPutS(dir.file("no/dir/x.bet").c_str(), "a", "b"), LMINI_OPEN_ERROR);
}

TEST_F(PutS, OnlyTheFirstDefiningLineIsReplaced)
{
    const std::string before =
        "# settings\r\n"
        "Channel=9\r\n"       // not a definition: stays
        "Channel = 1\r\n"     // the one replaced
        "  other = x  \n"
        "Channel = 2\n";      // a later definition: stays
    WriteText(path, before);
    ASSERT_EQ(LmIniPutS(path.c_str(), "Channel", "3"), LMINI_OK);
    EXPECT_EQ(ReadText(path),
              "# settings\r\nChannel=9\r\nChannel = 3\n  other = x  \nChannel = 2\n");
    int32_t value = 0;
    EXPECT_EQ(LmIniGetL(path.c_str(), "Channel", &value), LMINI_OK);
    EXPECT_EQ(value, 3);
}

TEST_F(PutS, NewKeyIsAppendedOnALineOfItsOwn)
{
    WriteText(path, "a = 1\nb = 2"); // last line without its line end
    ASSERT_EQ(LmIniPutS(path.c_str(), "c", "some text "), LMINI_OK);
    EXPECT_EQ(ReadText(path), "a = 1\nb = 2\nc = some text \n");
    char buffer[32];
    ASSERT_EQ(LmIniGetS(path.c_str(), "b", sizeof buffer, buffer), LMINI_OK);
    EXPECT_STREQ(buffer, "2");

    WriteText(path, "");
    ASSERT_EQ(LmIniPutS(path.c_str(), "d", ""), LMINI_OK);
    EXPECT_EQ(ReadText(path), "d = \n");
}

TEST_F(PutS, ReplacementIsAWholeNewFileWithTheOldPermissions)
{
    WriteText(path, "FileNumber = 1\n");
    ASSERT_EQ(chmod(path.c_str(), 0604), 0);
    struct stat old;
    ASSERT_EQ(stat(path.c_str(), &old), 0);
    ASSERT_EQ(LmIniPutS(path.c_str(), "FileNumber", "2"), LMINI_OK);
    struct stat now;
    ASSERT_EQ(stat(path.c_str(), &now), 0);
    EXPECT_NE(now.st_ino, old.st_ino); // renamed into place, not rewritten in place
    EXPECT_EQ(now.st_mode & 07777, 0604u);
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"env.bet"});
}

TEST_F(PutS, LinkIsFollowedAndKept)
{
    WriteText(path, "a = 1\n");
    const std::string link = dir.file("link.bet");
    ASSERT_EQ(symlink("env.bet", link.c_str()), 0);
    ASSERT_EQ(LmIniPutS(link.c_str(), "a", "2"), LMINI_OK);
    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadText(path), "a = 2\n");
}

TEST_F(PutS, DirectoryInTheFilesPlaceIsRefused)
{
    const std::string occupied = dir.file("occupied");
    ASSERT_EQ(mkdir(occupied.c_str(), 0755), 0);
    EXPECT_EQ(LmIniPutS(occupied.c_str(), "a", "b"), LMINI_OPEN_ERROR);
    EXPECT_EQ(ListDir(occupied), std::vector<std::string>{});
}

TEST_F(PutS, PipeInTheFilesPlaceIsNeitherWaitedForNorReplaced)
{
    const std::string pipe = dir.file("pipe.bet");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(LmIniChkf(pipe.c_str()), 1);
    EXPECT_EQ(LmIniPutS(pipe.c_str(), "a", "b"), LMINI_OPEN_ERROR);
    char buffer[8];
    EXPECT_EQ(LmIniGetS(pipe.c_str(), "a", sizeof buffer, buffer), LMINI_OPEN_ERROR);
    LmIniRecord record;
    LmIniInit(&record);
    EXPECT_EQ(LmIniWrite(pipe.c_str(), &record), LMINI_OPEN_ERROR);
    struct stat info;
    ASSERT_EQ(lstat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"pipe.bet"});
}

TEST_F(PutS, ReadOnlyCurrentDirectoryDoesNotMatter)
{
    ScratchDir cwd;
    if (!MakeUnwritable(cwd.path())) GTEST_SKIP() << "cannot make a directory unwritable here";
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(cwd.path().c_str()), 0);
    WriteText(path, "a = 1\n");
    int replaced = LmIniPutS(path.c_str(), "a", "2");
    int created = LmIniPutS(dir.file("new.bet").c_str(), "b", "3");
    ASSERT_EQ(chdir(previous), 0);
    RestoreWritable(cwd.path());
    EXPECT_EQ(replaced, LMINI_OK);
    EXPECT_EQ(created, LMINI_OK);
    EXPECT_EQ(ReadText(path), "a = 2\n");
    EXPECT_EQ(ListDir(cwd.path()), std::vector<std::string>{});
}

TEST_F(PutS, FailedRenameLeavesTheOldFileAndNoTemporary)
{
    // An immutable file can be read but not replaced: the temporary file is
    // written and the rename then fails.
    WriteText(path, "a = 1\nb = 2\n");
    if (!SetImmutable(path, true)) GTEST_SKIP() << "the immutable flag is not available here";
    int status = LmIniPutS(path.c_str(), "a", "9");
    LmIniRecord record;
    LmIniInit(&record);
    int recordStatus = LmIniWrite(path.c_str(), &record);
    SetImmutable(path, false);
    EXPECT_EQ(status, LMINI_RENAME_ERROR);
    EXPECT_EQ(recordStatus, LMINI_RENAME_ERROR);
    EXPECT_EQ(ReadText(path), "a = 1\nb = 2\n");
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"env.bet"});
}

TEST_F(PutS, UnwritableDirectoryLeavesTheOldFile)
{
    WriteText(path, "a = 1\n");
    if (!MakeUnwritable(dir.path())) GTEST_SKIP() << "cannot make a directory unwritable here";
    int status = LmIniPutS(path.c_str(), "a", "9");
    int missing = LmIniPutS(dir.file("new.bet").c_str(), "a", "9");
    RestoreWritable(dir.path());
    EXPECT_EQ(status, LMINI_OPEN_ERROR);
    EXPECT_EQ(missing, LMINI_OPEN_ERROR);
    EXPECT_EQ(ReadText(path), "a = 1\n");
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"env.bet"});
}

TEST_F(PutS, MegabyteLineAndBinaryBytesAreCopiedUnchanged)
{
    std::string bytes(1 << 20, 'z');
    for (size_t i = 0; i < bytes.size(); i += 997) bytes[i] = char(i & 0xff); // NULs, CRs, LFs
    WriteText(path, bytes + "\nkey = old\n");
    ASSERT_EQ(LmIniPutS(path.c_str(), "key", "new"), LMINI_OK);
    EXPECT_EQ(ReadText(path), bytes + "\nkey = new\n");
}

TEST_F(PutS, WritersInOneDirectoryDoNotShareATemporaryFile)
{
    // Each thread edits its own file in the same directory; with one fixed
    // temporary name they would overwrite each other's content.
    constexpr int kThreads = 4, kRounds = 40;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string file = dir.file("file" + std::to_string(t) + ".bet");
            for (int round = 0; round < kRounds; ++round) {
                std::string value = std::to_string(t * 1000 + round);
                if (LmIniPutS(file.c_str(), "Owner", std::to_string(t).c_str()) != LMINI_OK ||
                    LmIniPutS(file.c_str(), "Round", value.c_str()) != LMINI_OK)
                    ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0);
        EXPECT_EQ(ReadText(dir.file("file" + std::to_string(t) + ".bet")),
                  "Owner = " + std::to_string(t) + "\nRound = " +
                      std::to_string(t * 1000 + kRounds - 1) + "\n");
    }
    EXPECT_EQ(ListDir(dir.path()).size(), size_t(kThreads));
}

TEST_F(PutS, StaleTemporariesOfOurNamingAreRemovedBeforeTheNextWrite)
{
    const auto makeFile = [&](const std::string& name, time_t age) {
        WriteText(dir.file(name), "left by a killed writer\n");
        const timespec times[2] = {{time(nullptr) - age, 0}, {time(nullptr) - age, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, dir.file(name).c_str(), times, 0), 0);
    };
    makeFile("~LmPara.Old123", 2 * 3600);
    makeFile("~LmPara.new456", 60);               // maybe a writer at work
    makeFile("~LmPara.old-not-ours", 2 * 3600);   // not our naming
    makeFile("keep.ini", 2 * 3600);
    ASSERT_EQ(LmIniPutS(path.c_str(), "a", "1"), LMINI_OK);
    EXPECT_EQ(ListDir(dir.path()),
              (std::vector<std::string>{"env.bet", "keep.ini", "~LmPara.new456", "~LmPara.old-not-ours"}));
}

TEST_F(PutS, AWriterKilledAtRandomAlwaysLeavesACompleteFile)
{
    // Two versions of a file large enough that kills land inside the writes.
    const std::string padding = [] {
        std::string text;
        for (int i = 0; i < 20000; ++i) text += "fKey" + std::to_string(i) + " = 0.12345678\n";
        return text;
    }();
    const std::string versionA = "cFileID = LmParaFile\nlVersion = 1\n" + padding;
    const std::string versionB = "cFileID = LmParaFile\nlVersion = 2\n" + padding;
    WriteText(path, versionA);
    std::mt19937 random(18);
    for (int round = 0; round < 50; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) LmIniPutS(path.c_str(), "lVersion", i % 2 ? "1" : "2");
        }
        usleep(useconds_t(random() % 30000));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const std::string now = ReadText(path);
        ASSERT_TRUE(now == versionA || now == versionB) << "round " << round << ": " << now.size() << " bytes";
    }
}

} // namespace
