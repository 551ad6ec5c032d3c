#include "settings/PanelSettings.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dravik {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::vector<std::string> panels{"dravik.smx main menu", "Audio Generator"};

TEST(PanelSettingsTest, KeepsOnlyTheProgramsPanelsWithBoundedValues)
{
    struct Case {
        const char* what;
        std::string text;
        std::string kept;
    };
    const std::vector<Case> cases{
        {"empty", "", ""},
        {"a corrupt table that crashed ImGui", "[Table][0x00001234,178956971]\nColumn 0 Width=10\n", ""},
        {"a table of 100000000 columns", "[Table][0x00001234,100000000]\nColumn 0  Width=10\nColumn 99999999 Width=1\n",
         ""},
        {"what ImGui writes",
         "[Window][Debug##Default]\nPos=60,60\nSize=400,400\nCollapsed=0\n\n"
         "[Window][dravik.smx main menu]\nPos=20,360\nSize=399,328\nCollapsed=0\n\n"
         "[Window][Audio Generator]\nPos=440,360\nSize=131,88\nCollapsed=1\n\n",
         "[Window][dravik.smx main menu]\nPos=20,360\nSize=399,328\nCollapsed=0\n\n"
         "[Window][Audio Generator]\nPos=440,360\nSize=131,88\nCollapsed=1\n\n"},
        {"other sections and unknown keys around a panel",
         "[Docking][Data]\nDockSpace ID=0x1\n[Window][Audio Generator]\nDockId=0x5\nViewportPos=1,1\nPos=1,2\n"
         "[Window][Unknown]\nPos=9,9\n[Stranger][Audio Generator]\nPos=8,8\n",
         "[Window][Audio Generator]\nPos=1,2\n\n"},
        {"negative, huge and out-of-range positions",
         "[Window][dravik.smx main menu]\nPos=1261,749\n[Window][Audio Generator]\nPos=-137,-60\n"
         "[Window][Audio Generator]\nPos=99999999999,-99999999999999999999999\n",
         "[Window][dravik.smx main menu]\nPos=1261,749\n\n[Window][Audio Generator]\nPos=16384,-16384\n\n"},
        {"sizes: not positive dropped, huge clamped", "[Window][Audio Generator]\nSize=0,0\nSize=-5,10\n",
         "[Window][Audio Generator]\n\n"},
        {"huge size", "[Window][Audio Generator]\nSize=100000,20\n", "[Window][Audio Generator]\nSize=16384,20\n\n"},
        {"collapse flag", "[Window][Audio Generator]\nCollapsed=7\n", "[Window][Audio Generator]\nCollapsed=1\n\n"},
        {"lines that do not parse",
         "[Window][Audio Generator]\nPos=12\nPos=a,b\nPos=1,2,3\nPos= 1,2\nPos=0x10,1\nSize=\nCollapsed=yes\n",
         "[Window][Audio Generator]\n\n"},
        {"CRLF line ends and no final newline", "[Window][Audio Generator]\r\nPos=3,4\r\nSize=50,60",
         "[Window][Audio Generator]\nPos=3,4\nSize=50,60\n\n"},
        {"binary bytes",
         "\x7f"
         "ELF\x02\x01\x01\0\0\0\n[Window][Audio Generator]\nPos=5\0,6\nPos=7,8\n\xff\xfe\x01\n"s,
         "[Window][Audio Generator]\nPos=7,8\n\n"},
        {"headers that do not close", "[Window][Audio Generator\nPos=1,1\n[Window][Audio Generator]x\nPos=2,2\n", ""},
        {"the later of two sections wins line by line",
         "[Window][Audio Generator]\nPos=1,1\nSize=10,10\n[Window][Audio Generator]\nPos=2,2\n",
         "[Window][Audio Generator]\nPos=2,2\nSize=10,10\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(sanitisePanelSettings(c.text, panels), c.kept);
    }
}

class PanelSettingsFileTest : public TemporaryFolderTest {};

TEST_F(PanelSettingsFileTest, SkipsFilesThatCannotBeSettingsWithAWarning)
{
    const std::string panel = "[Window][Audio Generator]\nPos=-137,-60\n";
    fs::create_directory(root / "folder.ini");
    struct Case {
        fs::path file;
        std::string text;
        std::string warning; // part of it; empty for none
    };
    const std::vector<Case> cases{
        {write("good.ini", panel), panel + "\n", ""},
        {root / "missing.ini", "", ""},
        {write("table.ini", "[Table][0x00001234,178956971]\nColumn 0 Width=10\n"), "", ""},
        {write("empty.ini", ""), "", "(it is empty)"},
        {root / "folder.ini", "", "(it is a folder)"},
        {write("binary.ini", panel + std::string("\0\x01\x02", 3)), "", "(it holds binary data)"},
        {write("huge.ini", panel + std::string(maxPanelSettingsBytes, '#')), "", "larger than 65536 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.string());
        const PanelSettingsLoad_t loaded = loadPanelSettings(c.file, panels);
        EXPECT_EQ(loaded.text, c.text);
        if (c.warning.empty()) {
            EXPECT_EQ(loaded.warning, "");
        } else {
            EXPECT_NE(loaded.warning.find(c.warning), std::string::npos) << loaded.warning;
            EXPECT_NE(loaded.warning.find(c.file.string()), std::string::npos) << loaded.warning;
            EXPECT_EQ(loaded.warning.find('\n'), std::string::npos) << "one line";
        }
    }
}

} // namespace
} // namespace dravik
