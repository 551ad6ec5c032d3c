// dravik-transcribe: audio files to notes, without a window, through the
// program's analysis chain and tracker settings.

#include "analysis/FFTParams.h"
#include "decode/SndfileOpener.h"
#include "engine/AnalysisEngine.h"
#include "mapping/MapperSettings.h"
#include "midifile/MidiFileWriter.h"
#include "session/SessionFile.h"
#include "source/TimeText.h"
#include "tracking/TrackerSettings.h"
#include "transcribe/SettingOptions.h"

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace dravik;

constexpr const char* programName = "dravik-transcribe";

void say(const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", programName, text.c_str());
}

struct Note {
    double onset;
    double offset;
    int note;
    int velocity;
};

// Pairs note-ons with their note-offs.
class NoteList {
public:
    void add(NoteEventView events)
    {
        for (const NoteEvent_t& e : events) {
            if (e.velocity > 0) {
                open[e.note] = static_cast<int>(notes.size());
                notes.push_back({e.timeSeconds, e.timeSeconds, e.note, e.velocity});
            } else if (open[e.note] >= 0) {
                notes[static_cast<std::size_t>(open[e.note])].offset = e.timeSeconds;
                open[e.note] = -1;
            }
        }
    }
    const std::vector<Note>& all() const { return notes; }

private:
    std::vector<Note> notes;
    std::vector<int> open = std::vector<int>(128, -1);
};

class Progress {
public:
    explicit Progress(bool shown)
        : shown(shown)
    {
    }
    void show(double fraction)
    {
        const int percent = static_cast<int>(fraction * 100.0);
        if (!shown || percent == last)
            return;
        last = percent;
        constexpr int width = 40;
        const int filled = percent * width / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(width - filled), ' ').c_str(), percent);
        std::fflush(stderr);
    }
    void done()
    {
        if (shown)
            std::fprintf(stderr, "\n");
    }

private:
    bool shown;
    int last = -1;
};

bool isPowerOfTwo(std::uint32_t n)
{
    return n != 0 && (n & (n - 1)) == 0;
}

std::string reason(int error)
{
    return std::strerror(error);
}

// Writes `bytes` to `path` and says why when it cannot: the open does not
// wait for a FIFO's reader, and every write and the close are checked, so a
// full disk is an error, not a short file.
bool writeFile(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        say(path + ": cannot be written (" + reason(errno) + ")");
        return false;
    }
    // Opened; from here a pipe with a reader may make the writes wait.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            const int error = wrote < 0 ? errno : EIO;
            ::close(fd);
            say(path + ": cannot be written (" + reason(error) + ")");
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::close(fd) != 0) {
        say(path + ": cannot be written (" + reason(errno) + ")");
        return false;
    }
    return true;
}

// The MIDI file goes through the same non-blocking open and checked writes as the CSV.
bool writeMidi(MidiFileWriter& midi, const std::string& path)
{
    std::string bytes;
    std::string message;
    if (!midi.encode(bytes, message)) {
        say(path + ": cannot be written (" + message + ")");
        return false;
    }
    return writeFile(path, bytes);
}

std::string csvText(const NoteList& notes)
{
    std::ostringstream csv;
    csv << "onset_s,offset_s,note,velocity\n";
    for (const Note& n : notes.all())
        csv << n.onset << ',' << n.offset << ',' << n.note << ',' << n.velocity << '\n';
    return csv.str();
}

// Where one input's notes go.
struct Job_t {
    std::string input;
    std::string midiPath; // empty: no MIDI file
    std::string csvPath;  // empty: no CSV
};

// IN.wav becomes DIR/IN.mid, or IN.mid beside it.
std::string outputBeside(const std::string& input, const std::string& folder, const char* extension)
{
    std::filesystem::path out(input);
    out.replace_extension(extension);
    if (!folder.empty())
        out = std::filesystem::path(folder) / out.filename();
    return out.string();
}

// Transcribes one file; false when it cannot be read or its notes cannot be written.
bool transcribeFile(const Job_t& job, const FFTParams_t& fft, const NoteTrackerParams_t& tracking, bool quiet)
{
    std::string error;
    const std::unique_ptr<IAudioDecoder> decoder = SndfileOpener().open(job.input, error);
    if (decoder == nullptr) {
        say(error);
        return false;
    }
    const AudioFormat_t format = decoder->format();
    const unsigned channels = format.channels;
    const std::uint64_t frames = format.frames;
    const auto rate = static_cast<double>(format.sampleRate);

    const auto started = std::chrono::steady_clock::now();
    AnalysisEngine engine(rate, fft, tracking);
    NoteList notes;
    MidiFileWriter midi;
    Progress progress(!quiet && isatty(STDERR_FILENO) != 0);

    const std::size_t block = fft.blockSize;
    std::vector<std::int16_t> interleaved(block * channels);
    std::vector<double> mono(block, 0.0);
    std::uint64_t done = 0;
    for (;;) {
        const std::uint64_t read = decoder->read(interleaved.data(), block);
        if (read == 0)
            break;
        // Mono mix-down; a short last block is padded with silence.
        for (std::size_t i = 0; i < block; ++i) {
            double sum = 0.0;
            if (i < read) {
                for (unsigned c = 0; c < channels; ++c)
                    sum += interleaved[i * channels + c];
            }
            mono[i] = sum / (32768.0 * channels);
        }
        if (engine.pushBlock(mono.data(), block) && engine.isReady()) {
            const NoteEventView events = engine.takeEvents();
            notes.add(events);
            midi.add(events);
        }
        done += read;
        progress.show(frames != 0 ? static_cast<double>(done) / static_cast<double>(frames) : 1.0);
    }
    engine.endNotes();
    const NoteEventView last = engine.takeEvents();
    notes.add(last);
    midi.add(last);
    progress.done();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    if (decoder->format().shorterThanHeader)
        say(shorterThanHeaderMessage(job.input, decoder->format()));

    bool ok = true;
    if (!job.midiPath.empty())
        ok = writeMidi(midi, job.midiPath) && ok;
    if (!job.csvPath.empty())
        ok = writeFile(job.csvPath, csvText(notes)) && ok;
    if (!quiet) {
        const double seconds = static_cast<double>(done) / rate;
        std::fprintf(stderr, "%s: %s: %zu notes from %.1f s of audio in %.2f s (%.0f x real time)\n", programName,
                     job.input.c_str(), notes.all().size(), seconds, elapsed, elapsed > 0.0 ? seconds / elapsed : 0.0);
    }
    return ok;
}

// The usage line of the help, for a usage error.
std::string usageLine(const CLI::App& app)
{
    std::istringstream help(app.help());
    std::string line;
    while (std::getline(help, line)) {
        if (line.rfind("Usage:", 0) == 0)
            return line;
    }
    return {};
}

int usageError(const CLI::App& app, const std::string& text)
{
    say(text);
    std::fprintf(stderr, "%s\nRun '%s --help' for the options and their defaults.\n", usageLine(app).c_str(),
                 programName);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Transcribes audio files (WAV, AIFF, FLAC, Ogg Vorbis, Opus, MP3) into notes: a Standard MIDI "
                 "File and/or a CSV of notes for each.",
                 programName};
    app.set_version_flag("--version", std::string(programName) + " " DRAVIK_VERSION);
    app.option_defaults()->always_capture_default();
    std::vector<std::string> inputs;
    std::string midiPath;
    std::string csvPath;
    std::string folder;
    std::vector<std::string> types{"mid"};
    std::string sessionPath;
    // Options are read into their own records, so that a session file can
    // supply the rest and an option given still wins over it.
    NoteTrackerParams_t givenTracking;
    bool quiet = false;
    app.add_option("FILE", inputs, "Audio files; each one's notes go beside it unless -o, --csv or -d say otherwise")
        ->required()
        ->always_capture_default(false);
    CLI::Option* midiOption = app.add_option("-o,--output", midiPath, "Standard MIDI File to write (one input only)")
                                  ->always_capture_default(false);
    CLI::Option* csvOption =
        app.add_option("--csv", csvPath, "CSV of notes to write (one input only): onset_s,offset_s,note,velocity")
            ->always_capture_default(false);
    CLI::Option* folderOption =
        app.add_option("-d,--directory", folder, "Write each input's IN.mid / IN.csv into this folder")
            ->always_capture_default(false);
    CLI::Option* typesOption =
        app.add_option("-t,--types", types, "What to write for each input named after it: mid, csv or mid,csv")
            ->delimiter(',')
            ->check(CLI::IsMember({"mid", "csv"}));
    midiOption->excludes(folderOption)->excludes(typesOption);
    csvOption->excludes(folderOption)->excludes(typesOption);
    app.add_option("--session", sessionPath,
                   "Analysis, mapper and tracker settings from a session the program saved (its session.toml); "
                   "options given here override them")
        ->always_capture_default(false);
    // The "FFT Options", mapper and "Note Tracker" panels' settings, from the
    // tables the session's keys come from.
    const SettingOptions settingOptions(app);
    CLI::Option* lowWindowOption =
        app.add_option("--low-window", givenTracking.lowWindowSize, "Window of the low-note analysis in samples")
            ->check(CLI::Range(1024u, 262144u));
    app.add_flag("-q,--quiet", quiet, "No progress bar and no summary");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion& version) {
        std::printf("%s\n", version.what());
        return 0;
    } catch (const CLI::ParseError& error) {
        return usageError(app, error.what());
    }

    TranscribeSettings_t settings;
    if (!sessionPath.empty()) {
        const SessionRead_t read = readSessionFile(sessionPath, Session_t{});
        for (const std::string& warning : read.warnings)
            say(warning);
        if (read.outcome != SessionRead_t::Outcome::Read) {
            say("cannot use the session " + sessionPath);
            return 1;
        }
        settings.fft = read.session.fft;
        copyUserSettings(read.session.gaussian, settings.gaussian);
        copyUserSettings(read.session.energy, settings.energy);
        copyTrackerOptions(read.session.tracker, settings.tracker);
    }
    settingOptions.apply(settings);
    const FFTParams_t& fft = settings.fft;
    NoteTrackerParams_t& tracking = settings.tracker;
    if (lowWindowOption->count() != 0)
        tracking.lowWindowSize = givenTracking.lowWindowSize;

    if (!isPowerOfTwo(fft.windowSize) || !isPowerOfTwo(fft.blockSize) || fft.blockSize > fft.windowSize ||
        tracking.lowWindowSize % fft.blockSize != 0)
        return usageError(app, "window and block must be powers of two, the block no longer than the window, and "
                               "the low window a whole number of blocks");
    if (tracking.relativeOffDb > tracking.relativeOnDb || tracking.floorOffDb > tracking.floorOnDb) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "an off level above its on level would end every note as it starts (relative %.1f / %.1f dB, "
                      "floor %.1f / %.1f dB)",
                      tracking.relativeOnDb, tracking.relativeOffDb, tracking.floorOnDb, tracking.floorOffDb);
        return usageError(app, text);
    }
    if (tracking.lowNote > tracking.highNote)
        return usageError(app, "the lowest note lies above the highest note");

    std::vector<Job_t> jobs;
    const bool named = midiOption->count() != 0 || csvOption->count() != 0;
    if (named && inputs.size() > 1)
        return usageError(app, "-o and --csv name one file each; for several inputs use -d DIR or write beside them");
    if (!folder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (!std::filesystem::is_directory(folder)) {
            say(folder + ": cannot be used as the output folder (" + (ec ? ec.message() : std::string("not a folder")) +
                ")");
            return 1;
        }
    }
    std::map<std::string, std::string> claimed; // output path -> the input writing it
    for (const std::string& input : inputs) {
        Job_t job{input, midiPath, csvPath};
        if (!named) {
            for (const std::string& type : types)
                (type == "mid" ? job.midiPath : job.csvPath) = outputBeside(input, folder, type.c_str());
        }
        for (const std::string* out : {&job.midiPath, &job.csvPath}) {
            if (out->empty())
                continue;
            const auto [at, fresh] = claimed.emplace(*out, input);
            if (!fresh)
                return usageError(app, at->second + " and " + input + " would both write " + *out);
            if (*out == input)
                return usageError(app, input + " would be overwritten by its own notes");
        }
        jobs.push_back(job);
    }

    bool ok = true;
    for (const Job_t& job : jobs)
        ok = transcribeFile(job, fft, tracking, quiet) && ok;
    return ok ? 0 : 1;
}
