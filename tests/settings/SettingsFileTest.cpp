#include "settings/SettingsFile.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace dravik {
namespace {

namespace fs = std::filesystem;
using Status = SettingsFileRead_t::Status;

class SettingsFileTest : public TemporaryFolderTest {
protected:
    // Every entry of the folder: a failed or finished save leaves no
    // temporary file behind.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(root))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(SettingsFileTest, ReadsOnlyRegularFilesWithinTheBound)
{
    write("small", "Pos=1,2\n");
    write("empty", "");
    write("exact", std::string(64, 'x'));
    write("large", std::string(65, 'x'));
    fs::create_directory(root / "folder");
    ASSERT_EQ(::mkfifo((root / "fifo").c_str(), 0600), 0);

    struct Case {
        fs::path file;
        Status status;
        std::string content;
        std::string problem;
    };
    const std::vector<Case> cases{
        {root / "small", Status::Read, "Pos=1,2\n", ""},
        {root / "empty", Status::Read, "", ""},
        {root / "exact", Status::Read, std::string(64, 'x'), ""},
        {root / "large", Status::TooLarge, "", "larger than 64 bytes"},
        {root / "missing", Status::Missing, "", ""},
        {root / "folder", Status::NotAFile, "", "folder"},
        // Opening a FIFO for reading would wait for a writer.
        {root / "fifo", Status::NotAFile, "", "not a regular file"},
        {"/dev/zero", Status::NotAFile, "", "not a regular file"},
        {root / "small" / "below", Status::Unreadable, "", "Not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.string());
        const SettingsFileRead_t read = readSettingsFile(c.file, 64);
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(read.content, c.content);
        EXPECT_NE(read.problem.find(c.problem), std::string::npos) << read.problem;
    }
}

TEST_F(SettingsFileTest, WritesAndReplacesLeavingNothingElse)
{
    const fs::path file = root / "imgui.ini";
    EXPECT_EQ(writeSettingsFileAtomically(file, "first\n"), "");
    EXPECT_EQ(contentOf(file), "first\n");
    EXPECT_EQ(writeSettingsFileAtomically(file, std::string("sec\0ond", 7)), "");
    EXPECT_EQ(contentOf(file), std::string("sec\0ond", 7));
    EXPECT_EQ(writeSettingsFileAtomically(file, ""), "");
    EXPECT_EQ(contentOf(file), "");
    EXPECT_EQ(entries(), std::vector<std::string>{"imgui.ini"});
}

TEST_F(SettingsFileTest, FailsWithAReasonAndKeepsWhatWasThere)
{
    // A folder in the file's place keeps its content; a missing folder and
    // one nobody may create files in (also as root) refuse the temporary file.
    fs::create_directories(root / "imgui.ini" / "inside");
    const std::string folderInPlace = writeSettingsFileAtomically(root / "imgui.ini", "x");
    EXPECT_NE(folderInPlace.find("cannot replace it"), std::string::npos) << folderInPlace;
    EXPECT_TRUE(fs::is_directory(root / "imgui.ini" / "inside"));
    EXPECT_EQ(entries(), std::vector<std::string>{"imgui.ini"});

    const std::string missingFolder = writeSettingsFileAtomically(root / "no" / "imgui.ini", "x");
    EXPECT_NE(missingFolder.find("cannot create a file in " + (root / "no").string()), std::string::npos)
        << missingFolder;
    const std::string procFolder = writeSettingsFileAtomically("/proc/imgui.ini", "x");
    EXPECT_NE(procFolder.find("cannot create a file in /proc"), std::string::npos) << procFolder;
}

TEST_F(SettingsFileTest, ALinkIsWrittenThroughToItsTarget)
{
    fs::create_directories(root / "dotfiles" / "dravik");
    const fs::path target = write("dotfiles/dravik/imgui.ini", "old\n");
    fs::create_directories(root / "config");
    fs::create_directory_symlink(root / "dotfiles" / "dravik", root / "linked-folder");
    fs::create_symlink("../dotfiles/dravik/imgui.ini", root / "config" / "relative.ini");
    fs::create_symlink(root / "config" / "relative.ini", root / "config" / "chain.ini");
    fs::create_symlink(root / "dotfiles" / "dravik" / "new.ini", root / "config" / "dangling.ini");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    struct Case {
        fs::path written;
        fs::path reached;
    };
    const std::vector<Case> cases{
        {root / "config" / "relative.ini", target},
        {root / "config" / "chain.ini", target},
        {root / "linked-folder" / "imgui.ini", target},
        // A link to a file not yet made makes it there.
        {root / "config" / "dangling.ini", root / "dotfiles" / "dravik" / "new.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written.string());
        const std::string content = "through " + c.written.filename().string() + "\n";
        EXPECT_EQ(writeSettingsFileAtomically(c.written, content), "");
        EXPECT_EQ(contentOf(c.reached), content);
        EXPECT_EQ(contentOf(c.written), content);
    }
    for (const char* link : {"relative.ini", "chain.ini", "dangling.ini"})
        EXPECT_TRUE(fs::is_symlink(root / "config" / link)) << link;
    EXPECT_TRUE(fs::is_symlink(root / "linked-folder"));
    // The replaced file keeps the permissions it had; no temporary file stays.
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    for (const fs::path& folder : {root / "config", root / "dotfiles" / "dravik"})
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

TEST_F(SettingsFileTest, ALinkToADeviceOrFifoIsWrittenIntoAndNeverReplaced)
{
    ASSERT_EQ(::mkfifo((root / "fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/full", root / "full.ini");
    fs::create_symlink("/dev/null", root / "null.ini");
    fs::create_symlink(root / "fifo", root / "fifo.ini");
    fs::create_symlink(root / "loop-a.ini", root / "loop-b.ini");
    fs::create_symlink(root / "loop-b.ini", root / "loop-a.ini");
    struct Case {
        const char* link;
        std::string problem; // empty: written
    };
    const std::vector<Case> cases{
        {"full.ini", "No space left on device"},
        {"null.ini", ""},
        // No reader: refused at once instead of waiting for one.
        {"fifo.ini", "No such device or address"},
        {"loop-a.ini", "Too many levels of symbolic links"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        const std::string problem = writeSettingsFileAtomically(root / c.link, "[Window][x]\n");
        if (c.problem.empty())
            EXPECT_EQ(problem, "");
        else
            EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
        EXPECT_EQ(problem.find('\n'), std::string::npos);
        EXPECT_TRUE(fs::is_symlink(root / c.link));
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_TRUE(fs::is_fifo(root / "fifo"));
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadIsNotReplaced)
{
    const fs::path file = write("imgui.ini", "the user's layout\n");
    fs::permissions(file, fs::perms::none);
    const bool ran = asUnprivilegedUser([&file] {
        const std::string problem = writeSettingsFileAtomically(file, "defaults\n");
        return problem.find("Permission denied") != std::string::npos &&
               problem.find("not replaced") != std::string::npos &&
               readSettingsFile(file, 1024).status == Status::Unreadable;
    });
    EXPECT_TRUE(ran);
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_EQ(contentOf(file), "the user's layout\n");
}

// Runs `body` in a child process, which ends with status 0 unless body fails.
template <typename Body>
pid_t runChild(Body body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body() ? 0 : 1);
    return child;
}

int waitChild(pid_t child)
{
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST_F(SettingsFileTest, TwoProcessesSavingAtOnceNeverMixTheirFiles)
{
    const fs::path file = root / "imgui.ini";
    const std::string first(20000, 'a');
    const std::string second = std::string(3000, 'b') + "\n";
    const auto saveRepeatedly = [&file](const std::string& content) {
        return [&file, &content] {
            for (int i = 0; i < 300; ++i) {
                if (!writeSettingsFileAtomically(file, content).empty())
                    return false;
            }
            return true;
        };
    };
    const pid_t one = runChild(saveRepeatedly(first));
    const pid_t two = runChild(saveRepeatedly(second));

    // Meanwhile every read finds one whole file, never a mix or a part.
    int reads = 0;
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1); std::chrono::steady_clock::now() < end;
         ++reads) {
        const SettingsFileRead_t read = readSettingsFile(file, 1 << 20);
        if (read.status == Status::Missing)
            continue;
        ASSERT_EQ(read.status, Status::Read);
        ASSERT_TRUE(read.content == first || read.content == second) << "read " << read.content.size() << " bytes";
    }
    EXPECT_EQ(waitChild(one), 0);
    EXPECT_EQ(waitChild(two), 0);
    const std::string last = contentOf(file);
    EXPECT_TRUE(last == first || last == second);
    EXPECT_EQ(entries(), std::vector<std::string>{"imgui.ini"});
    EXPECT_GT(reads, 0);
}

TEST_F(SettingsFileTest, AKillDuringASaveLeavesTheOldOrTheNewFile)
{
    const fs::path file = root / "imgui.ini";
    const std::string old = "old settings\n";
    const std::string fresh(1 << 20, 'n');
    for (int attempt = 0; attempt < 20; ++attempt) {
        ASSERT_EQ(writeSettingsFileAtomically(file, old), "");
        const pid_t saver = runChild([&]() -> bool {
            for (;;)
                writeSettingsFileAtomically(file, fresh);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + attempt % 7));
        ::kill(saver, SIGKILL);
        const int status = waitChild(saver);
        ASSERT_TRUE(WIFSIGNALED(status));
        const std::string left = contentOf(file);
        ASSERT_TRUE(left == old || left == fresh) << "attempt " << attempt << ": " << left.size() << " bytes";
    }
}

} // namespace
} // namespace dravik
