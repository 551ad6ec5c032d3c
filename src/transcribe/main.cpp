// dravik-transcribe: an audio file to notes, without a window, through the
// program's analysis chain and tracker settings.

#include "analysis/FFTParams.h"
#include "midifile/MidiFileWriter.h"
#include "session/SessionFile.h"
#include "tracking/NoteTranscriber.h"

#include <CLI/CLI.hpp>
#include <SFML/Audio/InputSoundFile.hpp>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace dravik;

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

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Transcribes an audio file into notes: a MIDI file and/or a CSV of notes."};
    std::string input;
    std::string midiPath;
    std::string csvPath;
    std::string sessionPath;
    // Options are read into their own records, so that a session file can
    // supply the rest and an option given still wins over it.
    FFTParams_t given;
    NoteTrackerParams_t givenTracking;
    bool quiet = false;
    app.add_option("input", input, "Audio file (WAV, FLAC, OGG)")->required();
    app.add_option("-o,--output", midiPath, "Standard MIDI File to write");
    app.add_option("--csv", csvPath, "CSV of notes to write: onset_s,offset_s,note,velocity");
    app.add_option("--session", sessionPath,
                   "Analysis and tracker settings from a session the program saved (its session.toml); "
                   "options given here override them");
    struct Override {
        CLI::Option* option;
        std::function<void(FFTParams_t&, NoteTrackerParams_t&)> apply;
    };
    std::vector<Override> overrides;
    const auto fftOption = [&](CLI::Option* option, auto field) {
        overrides.push_back(
            {option, [&given, field](FFTParams_t& f, NoteTrackerParams_t&) { f.*field = given.*field; }});
        return option;
    };
    const auto trackerOption = [&](CLI::Option* option, auto field) {
        overrides.push_back({option, [&givenTracking, field](FFTParams_t&, NoteTrackerParams_t& t) {
                                 t.*field = givenTracking.*field;
                             }});
        return option;
    };
    fftOption(app.add_option("--window", given.windowSize, "Analysis window in samples, a power of two"),
              &FFTParams_t::windowSize)
        ->check(CLI::Range(256u, 262144u));
    fftOption(app.add_option("--block", given.blockSize, "Samples per block, a power of two"), &FFTParams_t::blockSize)
        ->check(CLI::Range(16u, 4096u));
    fftOption(app.add_option("--hop-rate", given.hopRate, "Hop as a fraction of the window"), &FFTParams_t::hopRate)
        ->check(CLI::Range(0.01f, 1.0f));
    trackerOption(app.add_option("--relative-on", givenTracking.relativeOnDb,
                                 "dB below the strongest note at which a note starts"),
                  &NoteTrackerParams_t::relativeOnDb);
    trackerOption(app.add_option("--relative-off", givenTracking.relativeOffDb,
                                 "dB below the strongest note at which a note ends"),
                  &NoteTrackerParams_t::relativeOffDb);
    trackerOption(app.add_option("--floor-on", givenTracking.floorOnDb, "dB of full scale at which a note starts"),
                  &NoteTrackerParams_t::floorOnDb);
    trackerOption(app.add_option("--floor-off", givenTracking.floorOffDb, "dB of full scale at which a note ends"),
                  &NoteTrackerParams_t::floorOffDb);
    trackerOption(
        app.add_option("--release-drop", givenTracking.releaseDropDb, "dB below its own loudest at which a note ends"),
        &NoteTrackerParams_t::releaseDropDb)
        ->check(CLI::Range(0.0, 400.0));
    trackerOption(app.add_option("--release-slope", givenTracking.releaseSlopeDb,
                                 "dB a note may fall faster over the slope span than over the span before"),
                  &NoteTrackerParams_t::releaseSlopeDb)
        ->check(CLI::Range(0.0, 400.0));
    trackerOption(app.add_option("--reattack", givenTracking.reattackDb, "dB rise that starts an ended note again"),
                  &NoteTrackerParams_t::reattackDb)
        ->check(CLI::Range(0.0, 400.0));
    trackerOption(app.add_option("--min-duration", givenTracking.minDurationSeconds, "Shortest note in seconds"),
                  &NoteTrackerParams_t::minDurationSeconds)
        ->check(CLI::Range(0.0, 10.0));
    trackerOption(
        app.add_option("--low-window", givenTracking.lowWindowSize, "Window of the low-note analysis in samples"),
        &NoteTrackerParams_t::lowWindowSize)
        ->check(CLI::Range(1024u, 262144u));
    trackerOption(
        app.add_option("--split-note", givenTracking.splitNote, "Notes below this one use the low-note analysis"),
        &NoteTrackerParams_t::splitNote)
        ->check(CLI::Range(0, 128));
    trackerOption(app.add_option("--max-polyphony", givenTracking.maxPolyphony,
                                 "Notes at once; 1 follows a single line (voice, flute, bass) with a YIN pitch"),
                  &NoteTrackerParams_t::maxPolyphony)
        ->check(CLI::Range(1, 128));
    trackerOption(app.add_option("--off-frames", givenTracking.offFrames, "Frames without a note that end it"),
                  &NoteTrackerParams_t::offFrames)
        ->check(CLI::Range(1, 64));
    trackerOption(app.add_option("--onset-threshold", givenTracking.onsetThreshold,
                                 "Peak-picking threshold of the onset detection; lower finds more onsets"),
                  &NoteTrackerParams_t::onsetThreshold)
        ->check(CLI::Range(0.001, 10.0));
    trackerOption(app.add_option("--hold-tolerance", givenTracking.holdToleranceCents,
                                 "Cents a single line's note may wander from its centre and hold"),
                  &NoteTrackerParams_t::holdToleranceCents)
        ->check(CLI::Range(1.0, 1200.0));
    trackerOption(app.add_option("--onset-required", givenTracking.onsetRequiredSeconds,
                                 "Seconds after its end within which a note starts again only on a detected onset"),
                  &NoteTrackerParams_t::onsetRequiredSeconds)
        ->check(CLI::Range(0.0, 1e9));
    app.add_flag("-q,--quiet", quiet, "No progress bar");
    CLI11_PARSE(app, argc, argv);

    FFTParams_t fft;
    NoteTrackerParams_t tracking;
    if (!sessionPath.empty()) {
        const SessionRead_t read = readSessionFile(sessionPath, Session_t{});
        for (const std::string& warning : read.warnings)
            std::fprintf(stderr, "dravik-transcribe: %s\n", warning.c_str());
        if (read.outcome != SessionRead_t::Outcome::Read) {
            std::fprintf(stderr, "dravik-transcribe: cannot use the session %s\n", sessionPath.c_str());
            return 1;
        }
        fft = read.session.fft;
        copyTrackerOptions(read.session.tracker, tracking);
    }
    for (const Override& o : overrides) {
        if (o.option->count() != 0)
            o.apply(fft, tracking);
    }

    if (!isPowerOfTwo(fft.windowSize) || !isPowerOfTwo(fft.blockSize) || fft.blockSize > fft.windowSize ||
        tracking.lowWindowSize % fft.blockSize != 0) {
        std::fprintf(stderr, "dravik-transcribe: window and block must be powers of two, the block no longer than "
                             "the window, and the low window a whole number of blocks\n");
        return 2;
    }
    if (tracking.relativeOffDb > tracking.relativeOnDb || tracking.floorOffDb > tracking.floorOnDb) {
        std::fprintf(stderr,
                     "dravik-transcribe: an off level above its on level would end every note as it "
                     "starts (relative %.1f / %.1f dB, floor %.1f / %.1f dB)\n",
                     tracking.relativeOnDb, tracking.relativeOffDb, tracking.floorOnDb, tracking.floorOffDb);
        return 2;
    }
    if (midiPath.empty() && csvPath.empty()) {
        std::fprintf(stderr, "dravik-transcribe: nothing to write: give -o OUT.mid and/or --csv OUT.csv\n");
        return 2;
    }

    sf::InputSoundFile file;
    if (!file.openFromFile(input)) {
        std::fprintf(stderr, "dravik-transcribe: cannot read the audio file %s\n", input.c_str());
        return 1;
    }
    const unsigned channels = file.getChannelCount();
    const std::uint64_t frames = file.getSampleCount() / (channels != 0 ? channels : 1);
    tracking.sampleRate = static_cast<double>(file.getSampleRate());
    if (channels == 0 || tracking.sampleRate <= 0.0) {
        std::fprintf(stderr, "dravik-transcribe: %s holds no audio\n", input.c_str());
        return 1;
    }

    const auto started = std::chrono::steady_clock::now();
    NoteTranscriber transcriber(fft, tracking);
    NoteList notes;
    MidiFileWriter midi;
    Progress progress(!quiet && isatty(STDERR_FILENO) != 0);

    const std::size_t block = fft.blockSize;
    std::vector<sf::Int16> interleaved(block * channels);
    std::vector<double> mono(block, 0.0);
    std::uint64_t done = 0;
    for (;;) {
        const std::uint64_t read = file.read(interleaved.data(), interleaved.size()) / channels;
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
        if (transcriber.pushBlock(mono.data(), block)) {
            notes.add(transcriber.events());
            midi.add(transcriber.events());
        }
        done += read;
        progress.show(frames != 0 ? static_cast<double>(done) / static_cast<double>(frames) : 1.0);
    }
    const NoteEventView last = transcriber.finish();
    notes.add(last);
    midi.add(last);
    progress.done();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    int status = 0;
    if (!midiPath.empty()) {
        std::string message;
        if (!midi.save(midiPath, message)) {
            std::fprintf(stderr, "dravik-transcribe: %s\n", message.c_str());
            status = 1;
        }
    }
    if (!csvPath.empty()) {
        std::ofstream csv(csvPath);
        csv << "onset_s,offset_s,note,velocity\n";
        for (const Note& n : notes.all())
            csv << n.onset << ',' << n.offset << ',' << n.note << ',' << n.velocity << '\n';
        if (!csv) {
            std::fprintf(stderr, "dravik-transcribe: cannot write the CSV file %s\n", csvPath.c_str());
            status = 1;
        }
    }
    if (!quiet) {
        const double seconds = static_cast<double>(frames) / tracking.sampleRate;
        std::fprintf(stderr, "%zu notes from %.1f s of audio in %.2f s (%.0f x real time)\n", notes.all().size(),
                     seconds, elapsed, elapsed > 0.0 ? seconds / elapsed : 0.0);
    }
    return status;
}
