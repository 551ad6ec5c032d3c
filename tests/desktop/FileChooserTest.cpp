#include "desktop/FileChooser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace dravik {
namespace {

namespace fs = std::filesystem;
using Backend = FileChooser::Backend;
using Status = FileChooser::Outcome_t::Status;

// A folder of stub dialog programs as the only PATH, and no session bus, so
// the chooser falls back to what the folder holds.
class FileChooserTest : public ::testing::Test {
protected:
    FileChooserTest()
        : bin(fs::temp_directory_path() / ("dravik-chooser-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name()))
    {
        fs::remove_all(bin);
        fs::create_directories(bin);
        if (const char* path = std::getenv("PATH"))
            oldPath = path;
        if (const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            oldBus = bus;
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"))
            oldRuntime = runtime;
        ::setenv("PATH", bin.c_str(), 1);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        ::unsetenv("XDG_RUNTIME_DIR");
    }
    ~FileChooserTest() override
    {
        ::setenv("PATH", oldPath.c_str(), 1);
        if (oldBus)
            ::setenv("DBUS_SESSION_BUS_ADDRESS", oldBus->c_str(), 1);
        if (oldRuntime)
            ::setenv("XDG_RUNTIME_DIR", oldRuntime->c_str(), 1);
        fs::remove_all(bin);
    }

    // A stub named `name` running the shell script `body`, its arguments
    // written to name.args.
    void stub(const std::string& name, const std::string& body) const
    {
        const fs::path file = bin / name;
        std::ofstream(file) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << (bin / (name + ".args")).string() << "'\n"
                            << body << "\n";
        fs::permissions(file, fs::perms::owner_all);
    }

    std::string argsOf(const std::string& name) const
    {
        std::ifstream in(bin / (name + ".args"));
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Polls as the frame loop would until the dialog closes.
    static std::optional<FileChooser::Outcome_t> waitForOutcome(FileChooser& chooser)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (std::optional<FileChooser::Outcome_t> outcome = chooser.poll())
                return outcome;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return std::nullopt;
    }

    fs::path bin;
    std::string oldPath;
    std::optional<std::string> oldBus;
    std::optional<std::string> oldRuntime;
};

TEST_F(FileChooserTest, FallsBackThroughTheDialogProgramsThatAreThere)
{
    const std::string chosen = "/home/u/my songs/été ♪.flac";
    struct Case {
        const char* name;
        const char* zenity;  // script body; nullptr: no zenity
        const char* kdialog; // script body; nullptr: no kdialog
        Status status;
        std::string path;
    };
    const std::string printChosen = "printf '%s\\n' '" + chosen + "'";
    const std::vector<Case> cases{
        {"zenity chooses", printChosen.c_str(), nullptr, Status::Chosen, chosen},
        {"zenity cancelled", "exit 1", "echo /not/this", Status::Cancelled, ""},
        // zenity that cannot show its dialog (no display it can use) gives 255.
        {"zenity broken, kdialog chooses", "exit 255", printChosen.c_str(), Status::Chosen, chosen},
        {"kdialog only", nullptr, printChosen.c_str(), Status::Chosen, chosen},
        {"neither", nullptr, nullptr, Status::Unavailable, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(bin / "zenity");
        fs::remove(bin / "kdialog");
        if (c.zenity != nullptr)
            stub("zenity", c.zenity);
        if (c.kdialog != nullptr)
            stub("kdialog", c.kdialog);
        FileChooser chooser;
        chooser.open(0x1234);
        EXPECT_TRUE(chooser.isOpen());
        const std::optional<FileChooser::Outcome_t> outcome = waitForOutcome(chooser);
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->status, c.status);
        EXPECT_EQ(outcome->path, c.path);
        EXPECT_FALSE(chooser.isOpen());
        if (c.status == Status::Unavailable) {
            EXPECT_NE(outcome->message.find("type the path"), std::string::npos) << outcome->message;
            EXPECT_EQ(outcome->message.find('\n'), std::string::npos);
        }
    }
    // The dialogs are asked for a file over the program's window.
    EXPECT_NE(argsOf("zenity").find("--file-selection\n"), std::string::npos) << argsOf("zenity");
    EXPECT_NE(argsOf("zenity").find("--attach=4660\n"), std::string::npos) << argsOf("zenity");
    EXPECT_NE(argsOf("kdialog").find("--getopenfilename\n"), std::string::npos) << argsOf("kdialog");
}

TEST_F(FileChooserTest, TheFrameLoopNeverWaitsForTheDialog)
{
    // The stub answers only once the test lets it: until then every poll
    // returns at once with nothing.
    const fs::path go = bin / "go";
    stub("zenity", "while [ ! -e '" + go.string() + "' ]; do /bin/sleep 0.01; done\necho /tmp/picked.wav");
    FileChooser chooser;
    chooser.open(0);
    for (int frame = 0; frame < 20; ++frame) {
        EXPECT_FALSE(chooser.poll());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(chooser.isOpen());
    chooser.open(0); // a second request while it is open changes nothing
    std::ofstream(go) << "";
    const std::optional<FileChooser::Outcome_t> outcome = waitForOutcome(chooser);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->status, Status::Chosen);
    EXPECT_EQ(outcome->path, "/tmp/picked.wav");
    EXPECT_EQ(argsOf("zenity").find("--attach"), std::string::npos);
}

TEST_F(FileChooserTest, AChooserClosedWhileItsDialogIsOpenEndsIt)
{
    const fs::path pidFile = bin / "pid";
    stub("zenity", "echo $$ > '" + pidFile.string() + "'\nexec /bin/sleep 30");
    pid_t child = 0;
    {
        FileChooser chooser;
        chooser.open(0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!fs::exists(pidFile) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream(pidFile) >> child;
        ASSERT_GT(child, 0);
    }
    // Reaped, not left behind.
    EXPECT_NE(::kill(child, 0), 0);
}

} // namespace
} // namespace dravik
