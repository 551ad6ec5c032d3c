#include "desktop/DesktopPaths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dravik {
namespace {

TEST(DesktopPaths, HomeIsExpandedOnlyWhereAShellWould)
{
    struct Case {
        const char* typed;
        const char* home;
        const char* expanded;
    };
    for (const Case& c :
         {Case{"~", "/home/u", "/home/u"}, Case{"~/song.wav", "/home/u", "/home/u/song.wav"},
          Case{"~/a b/é.wav", "/home/u/", "/home/u/a b/é.wav"}, Case{"~other/song.wav", "/home/u", "~other/song.wav"},
          Case{"/data/~/x.wav", "/home/u", "/data/~/x.wav"}, Case{"~/x.wav", "", "~/x.wav"}, Case{"", "/home/u", ""}}) {
        EXPECT_EQ(expandHomePath(c.typed, c.home), c.expanded) << c.typed << " with " << c.home;
    }
}

TEST(DesktopPaths, FileUrisGiveLocalPathsWithTheirEscapesDecoded)
{
    struct Case {
        const char* uri;
        const char* path; // empty: refused
    };
    for (const Case& c :
         {Case{"file:///home/u/song.wav", "/home/u/song.wav"},
          Case{"file:///home/u/my%20song.wav", "/home/u/my song.wav"},
          Case{"file:///tmp/%C3%A9t%C3%A9%20%E2%99%AA.flac", "/tmp/été ♪.flac"},
          Case{"file://localhost/tmp/x.wav", "/tmp/x.wav"}, Case{"file:///a%2fb", "/a/b"},
          Case{"file://otherhost/tmp/x.wav", ""}, Case{"http://example.org/x.wav", ""}, Case{"file:///tmp/bad%2", ""},
          Case{"file:///tmp/bad%zz", ""}, Case{"file:///tmp/nul%00.wav", ""}, Case{"file:", ""}}) {
        EXPECT_EQ(pathFromFileUri(c.uri), c.path) << c.uri;
    }
}

TEST(DesktopPaths, AUriListKeepsTheLocalFilesInOrder)
{
    const std::string list = "# dragged from a file manager\r\n"
                             "file:///tmp/one.wav\r\n"
                             "https://example.org/two.wav\r\n"
                             "\r\n"
                             "file:///tmp/th%20ree.wav\n"
                             "file:///tmp/four.wav";
    EXPECT_EQ(pathsFromUriList(list), (std::vector<std::string>{"/tmp/one.wav", "/tmp/th ree.wav", "/tmp/four.wav"}));
    EXPECT_TRUE(pathsFromUriList("").empty());
}

} // namespace
} // namespace dravik
