#include "FileDialogs.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "FakeUiPort.h"
#include "Kr70TextIds.h"
#include "TestFiles.h"

namespace kr70 {
namespace {

namespace fs = std::filesystem;
using test::FakeUiPort;
using test::ScratchDirectory;

TEST(DefaultDirectoryPrefix, OnlyBareNamesGetTheDefaultDirectory) {
    EXPECT_EQ(WithDefaultDirectory("abc.wav", "/data"), "/data/abc.wav");
    EXPECT_EQ(WithDefaultDirectory("abc.wav", "/data/"), "/data/abc.wav");
    EXPECT_EQ(WithDefaultDirectory("/x/abc.wav", "/data"), "/x/abc.wav");
    EXPECT_EQ(WithDefaultDirectory("sub/abc.wav", "/data"), "sub/abc.wav");
    EXPECT_EQ(WithDefaultDirectory("", "/data"), "");
}

TEST(SplitTypedName, DirectoryPartMovesIntoTheDirectoryField) {
    DirectoryAndName split = SplitTypedFileName("/data", "run/a.ini");
    EXPECT_EQ(split.directory, "/data/run");
    EXPECT_EQ(split.name, "a.ini");
    split = SplitTypedFileName("/data", "/other/b.bet");
    EXPECT_EQ(split.directory, "/other");
    EXPECT_EQ(split.name, "b.bet");
    split = SplitTypedFileName("/data", "c.ini");
    EXPECT_EQ(split.directory, "/data");
    EXPECT_EQ(split.name, "c.ini");
}

TEST(DirectoryCheck, TwoMissingLevelsAreCreatedAfterOneQuestion) {
    ScratchDirectory scratch;
    FakeUiPort port;
    port.yesNoAnswers = {true};
    const std::string target = scratch.File("a/b");
    std::string checked;
    EXPECT_EQ(CheckDirectory(port, "  " + target + "/ ", &checked), 1);
    EXPECT_EQ(checked, target);
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(port.questions, 1);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{text::kAskCreateDirectory});
    EXPECT_EQ(port.shown[0].captionId, kCaptionFileDialog);
    EXPECT_EQ(port.shown[0].parts[0].appended, "\n    " + target);
    // Asked again for an existing directory: nothing is asked.
    EXPECT_EQ(CheckDirectory(port, target), 1);
    EXPECT_EQ(port.questions, 1);
}

TEST(DirectoryCheck, RefusalsAndBadPaths) {
    ScratchDirectory scratch;
    FakeUiPort port;
    // No to the question: nothing is created.
    EXPECT_EQ(CheckDirectory(port, scratch.File("new")), 0);
    EXPECT_FALSE(fs::exists(scratch.File("new")));
    EXPECT_EQ(CheckDirectory(port, ""), 0);
    EXPECT_EQ(CheckDirectory(port, "relative/dir"), 0);
    // A file where a directory is wanted, itself and as a level on the way.
    test::WriteText(scratch.File("file"), "x");
    EXPECT_EQ(CheckDirectory(port, scratch.File("file")), 0);
    port.yesNoAnswers = {true, true};
    EXPECT_EQ(CheckDirectory(port, scratch.File("file/sub")), 0);
    EXPECT_EQ(port.shown.back().parts[0].appended, "\n    " + scratch.File("file"));
    // A level that cannot be made (not even by root).
    EXPECT_EQ(CheckDirectory(port, "/proc/kr70-no/such"), 0);
    EXPECT_EQ(port.shown.back().parts[0].appended, "\n    /proc/kr70-no");
    EXPECT_EQ(port.MessageIds(),
              (std::vector<int32_t>{text::kAskCreateDirectory, text::kMsgDirectoryEmpty, text::kMsgPathNotAbsolute,
                                    text::kMsgPathNotDirectory, text::kAskCreateDirectory,
                                    text::kMsgPathNotDirectory, text::kAskCreateDirectory,
                                    text::kMsgDirectoryNotCreated}));
}

TEST(OverwriteCheck, SevenKindsOverExistingFilesAskOnce) {
    ScratchDirectory scratch;
    FakeUiPort port;
    port.yesNoAnswers = {true};
    bool askOnce = true;
    for (const char* extension : {"rdt", "adt", "ydt", "spd", "ysp", "dsd", "sdt"}) {
        const std::string path = scratch.File(std::string("base.") + extension);
        test::WriteText(path, "old");
        EXPECT_EQ(CheckOverwrite(port, path, &askOnce), 1) << extension;
    }
    EXPECT_EQ(port.questions, 1);
    EXPECT_FALSE(askOnce);
    EXPECT_EQ(CheckOverwrite(port, scratch.File("missing.adt")), 1);
    EXPECT_EQ(port.questions, 1);
}

TEST(OverwriteCheck, NoDirectoryAndReadOnlyFile) {
    ScratchDirectory scratch;
    FakeUiPort port;
    const std::string path = scratch.File("p.ini");
    test::WriteText(path, "old");
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(CheckOverwrite(port, path), 0);  // No
    EXPECT_EQ(CheckOverwrite(port, scratch.Path().string()), 0);
    port.yesNoAnswers = {true};
    EXPECT_EQ(CheckOverwrite(port, path), 1);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IWUSR, 0u);
    EXPECT_EQ(port.MessageIds(),
              (std::vector<int32_t>{text::kAskOverwrite, text::kMsgPathNotDirectory, text::kAskOverwrite}));
}

TEST(DefDirFileDialog, CheckBoxDecidesWhereTheNextDialogStarts) {
    MemoryProfile profile;
    profile.setString("DirPosPlus", "DirDefaultPlus", "/p/Data");
    profile.setInt("DirPosPlus", "DirDefSetPlus", 0);
    FakeUiPort port;
    DefDirFileDialog dialog;
    port.fileChoices = {{"/home/op/rec/a.ini"}, {"/home/op/b.ini"}, {}};
    RunDefDirFileDialog(port, profile, dialog);  // starts at the default: nothing opened yet
    RunDefDirFileDialog(port, profile, dialog);  // starts where a.ini was
    port.boxAnswer = 1;
    RunDefDirFileDialog(port, profile, dialog);  // ticked but cancelled: nothing stored
    ASSERT_EQ(port.fileRequests.size(), 3u);
    EXPECT_EQ(port.fileRequests[0].initialDirectory, "/p/Data");
    EXPECT_EQ(port.fileRequests[1].initialDirectory, "/home/op/rec");
    EXPECT_EQ(port.fileRequests[2].initialDirectory, "/home/op");
    EXPECT_EQ(port.boxShown, (std::vector<bool>{false, false, false}));

    port.fileChoices = {{"/elsewhere/c.ini"}, {}};
    RunDefDirFileDialog(port, profile, dialog);  // ticked on acceptance
    EXPECT_EQ(profile.values["DirPosPlus/DirDefSetPlus"], "1");
    EXPECT_EQ(profile.values["DirPosPlus/DirOpenPosPlus"], "/home/op");
    RunDefDirFileDialog(port, profile, dialog);
    EXPECT_EQ(port.fileRequests.back().initialDirectory, "/p/Data");
    EXPECT_TRUE(port.boxShown.back());

    // Directory mode 1 starts in the given directory whatever the box says.
    dialog.directoryMode = 1;
    dialog.initialDirectory = "/given";
    RunDefDirFileDialog(port, profile, dialog);
    EXPECT_EQ(port.fileRequests.back().initialDirectory, "/given");
}

TEST(DefaultDirectoryCommand, ChosenFolderBecomesTheDefault) {
    MemoryProfile profile;
    profile.setString("DirPosPlus", "DirDefaultPlus", "/p/Data");
    FakeUiPort port;
    EXPECT_FALSE(ChangeDefaultDirectory(port, profile));
    port.folderChoices = {"/mnt/bench/"};
    EXPECT_TRUE(ChangeDefaultDirectory(port, profile));
    EXPECT_EQ(port.folderStarts, (std::vector<std::string>{"/p/Data", "/p/Data"}));
    EXPECT_EQ(DefaultDataDirectory(profile), "/mnt/bench");
}

}  // namespace
}  // namespace kr70
