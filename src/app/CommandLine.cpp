#include "app/CommandLine.h"

#include <CLI/CLI.hpp>

namespace dravik {

CommandLine_t parseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    CLI::App app("Dravik turns sound into MIDI note activity by spectral analysis.", "dravik");
    CommandLine_t result;
    std::vector<std::string> files;
    app.add_option("FILE", files,
                   "Sound files (WAV, AIFF, FLAC, Ogg Vorbis, Opus, MP3): the first plays and is analysed, the "
                   "others go to the recent list");
    app.add_flag("--reset", result.reset, "Start with defaults; the saved session is replaced on exit");
    app.add_flag("--verbose", result.verbose,
                 "Show the sound and window libraries' own messages (why there is no audio device, say)");
    app.set_version_flag("--version", "dravik " DRAVIK_VERSION);
    try {
        app.parse(argc, argv);
        if (!files.empty()) {
            result.file = files.front();
            result.more.assign(files.begin() + 1, files.end());
        }
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        result.exitStatus = 0;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        result.exitStatus = 0;
    } catch (const CLI::ParseError& error) {
        err << "dravik: " << error.what() << '\n' << app.help();
        result.exitStatus = 2;
    }
    return result;
}

} // namespace dravik
