#include "ui/SettingsLocation.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace dravik {
namespace {

namespace fs = std::filesystem;

TEST(SettingsLocationTest, PrefersXdgConfigHomeThenHome)
{
    struct Case {
        const char* xdg;
        const char* home;
        fs::path expected;
    };
    const std::vector<Case> cases{
        {"/cfg", "/home/u", "/cfg/dravik/imgui.ini"},
        {nullptr, "/home/u", "/home/u/.config/dravik/imgui.ini"},
        {"", "/home/u", "/home/u/.config/dravik/imgui.ini"},
        {"relative/cfg", "/home/u", "/home/u/.config/dravik/imgui.ini"},
        {nullptr, nullptr, {}},
        {"", "relative/home", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "XDG_CONFIG_HOME=" << (c.xdg ? c.xdg : "(unset)") << " HOME=" << (c.home ? c.home : "(unset)"));
        EXPECT_EQ(uiSettingsPath(c.xdg, c.home), c.expected);
    }
}

class SettingsFolderTest : public ::testing::Test {
protected:
    SettingsFolderTest()
        : root(fs::temp_directory_path() /
               ("dravik-settings-" + std::to_string(::getpid()) + "-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
    {
        fs::remove_all(root);
        fs::create_directories(root);
    }
    ~SettingsFolderTest() override { fs::remove_all(root); }

    fs::path root;
};

TEST_F(SettingsFolderTest, CreatesTheMissingFolder)
{
    const fs::path file = root / "a" / "dravik" / "imgui.ini";
    const UiSettingsFile_t prepared = prepareUiSettingsFile(file);
    EXPECT_EQ(prepared.file, file.string());
    EXPECT_EQ(prepared.warning, "");
    EXPECT_TRUE(fs::is_directory(file.parent_path()));
}

TEST_F(SettingsFolderTest, WarnsAndGivesNoFileWhenTheFolderCannotBeUsed)
{
    // A regular file where the folder, or a folder above it, would go; a
    // folder nobody may create entries in (also as root); and no place at all.
    std::ofstream(root / "dravik") << "not a folder";
    const std::vector<fs::path> files{root / "dravik" / "imgui.ini", root / "dravik" / "deeper" / "imgui.ini",
                                      "/proc/self/dravik/imgui.ini", fs::path()};
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const UiSettingsFile_t prepared = prepareUiSettingsFile(file);
        EXPECT_EQ(prepared.file, "");
        EXPECT_NE(prepared.warning.find("the panel layout is not saved"), std::string::npos) << prepared.warning;
        if (!file.empty()) {
            EXPECT_NE(prepared.warning.find(file.parent_path().string()), std::string::npos) << prepared.warning;
        }
    }
}

} // namespace
} // namespace dravik
