#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace dravik {
namespace {

struct Parsed {
    CommandLine_t command;
    std::string out;
    std::string err;
};

Parsed parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "dravik");
    std::ostringstream out;
    std::ostringstream err;
    Parsed p{parseCommandLine(static_cast<int>(arguments.size()), arguments.data(), out, err), {}, {}};
    p.out = out.str();
    p.err = err.str();
    return p;
}

TEST(CommandLine, FileHelpAndVersion)
{
    const Parsed none = parse({});
    EXPECT_FALSE(none.command.exitStatus);
    EXPECT_TRUE(none.command.file.empty());

    const Parsed file = parse({"song.flac"});
    EXPECT_FALSE(file.command.exitStatus);
    EXPECT_EQ(file.command.file, "song.flac");
    EXPECT_FALSE(file.command.reset);
    EXPECT_FALSE(file.command.verbose);

    const Parsed reset = parse({"--reset", "song.flac", "--verbose"});
    EXPECT_FALSE(reset.command.exitStatus);
    EXPECT_TRUE(reset.command.reset);
    EXPECT_TRUE(reset.command.verbose);
    EXPECT_EQ(reset.command.file, "song.flac");

    // A file manager passes every file chosen: the first opens, the others wait.
    const Parsed several = parse({"one.wav", "two.flac", "three.mp3"});
    EXPECT_FALSE(several.command.exitStatus);
    EXPECT_EQ(several.command.file, "one.wav");
    EXPECT_EQ(several.command.more, (std::vector<std::string>{"two.flac", "three.mp3"}));

    const Parsed help = parse({"--help"});
    EXPECT_EQ(help.command.exitStatus, 0);
    EXPECT_NE(help.out.find("Usage: dravik"), std::string::npos);
    EXPECT_TRUE(help.err.empty());

    const Parsed version = parse({"--version"});
    EXPECT_EQ(version.command.exitStatus, 0);
    EXPECT_EQ(version.out, "dravik 1.0\n");
}

TEST(CommandLine, UnknownOptionsAndSurplusArgumentsPrintUsageAndExit2)
{
    for (const std::vector<const char*>& arguments :
         {std::vector<const char*>{"--loud"}, {"-x"}, {"one.wav", "--loud"}}) {
        const Parsed p = parse(arguments);
        EXPECT_EQ(p.command.exitStatus, 2) << arguments.front();
        EXPECT_NE(p.err.find("Usage: dravik"), std::string::npos) << arguments.front();
        EXPECT_TRUE(p.out.empty()) << arguments.front();
    }
}

} // namespace
} // namespace dravik
