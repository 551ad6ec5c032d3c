#include "decode/SndfileOpener.h"

#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace dravik {

namespace {

// Frames converted per libsndfile call: the scratch buffer is sized once.
constexpr std::uint64_t scratchFrames = 4096;

class SndfileDecoder final : public IAudioDecoder {
public:
    // `fd` is the decoder's own descriptor of the file, kept to open it afresh.
    SndfileDecoder(int fd, SNDFILE* file, const SF_INFO& info, bool shortAtOpen)
        : fd(fd)
        , file(file)
        , estimatedLength((info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_MPEG_LAYER_III ||
                          (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_MPEG_LAYER_II ||
                          (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_MPEG_LAYER_I)
        , scratch(scratchFrames * static_cast<std::size_t>(info.channels))
    {
        stated.channels = static_cast<std::uint32_t>(info.channels);
        stated.sampleRate = static_cast<std::uint32_t>(info.samplerate);
        stated.frames = static_cast<std::uint64_t>(std::max<sf_count_t>(0, info.frames));
        stated.shorterThanHeader = shortAtOpen;
    }
    ~SndfileDecoder() override
    {
        if (file != nullptr)
            sf_close(file);
        ::close(fd);
    }
    SndfileDecoder(const SndfileDecoder&) = delete;
    SndfileDecoder& operator=(const SndfileDecoder&) = delete;

    AudioFormat_t format() const override { return stated; }

    std::uint64_t read(std::int16_t* interleaved, std::uint64_t frames) override
    {
        const std::uint32_t channels = stated.channels;
        std::uint64_t done = 0;
        while (file != nullptr && done < frames) {
            const std::uint64_t want = std::min(frames - done, scratchFrames);
            // Read as float and scaled here: libsndfile would turn float
            // files into 16-bit values of -1..1 unless asked to normalise by
            // the file's peak, which would change their level.
            const sf_count_t got = sf_readf_float(file, scratch.data(), static_cast<sf_count_t>(want));
            if (got <= 0)
                break;
            const std::size_t samples = static_cast<std::size_t>(got) * channels;
            std::int16_t* out = interleaved + done * channels;
            for (std::size_t i = 0; i < samples; ++i)
                out[i] = static_cast<std::int16_t>(std::lrint(std::clamp(scratch[i] * 32768.0f, -32768.0f, 32767.0f)));
            done += static_cast<std::uint64_t>(got);
            if (static_cast<std::uint64_t>(got) < want)
                break;
        }
        position += done;
        if (done < frames)
            endAt(position);
        return done;
    }

    void seek(std::uint64_t frame) override
    {
        frame = std::min(frame, stated.frames);
        if (trySeek(frame)) {
            position = frame;
            return;
        }
        // A compressed file cut short: a seek past the cut fails and leaves
        // libsndfile's decoder unusable, so each failure opens the file
        // afresh. The readable end is found by halving, to within a block.
        std::uint64_t good = 0;
        std::uint64_t bad = frame;
        while (bad - good > scratchFrames) {
            const std::uint64_t middle = good + (bad - good) / 2;
            (trySeek(middle) ? good : bad) = middle;
        }
        if (!trySeek(good))
            good = 0;
        endAt(good);
        position = good;
    }

private:
    // Seeks, and on failure opens the file afresh so that later reads work.
    bool trySeek(std::uint64_t frame)
    {
        if (file != nullptr && sf_seek(file, static_cast<sf_count_t>(frame), SEEK_SET) >= 0)
            return true;
        reopen();
        return file != nullptr && sf_seek(file, static_cast<sf_count_t>(frame), SEEK_SET) >= 0;
    }

    void reopen()
    {
        if (file != nullptr)
            sf_close(file);
        file = nullptr;
        const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (copy < 0 || ::lseek(copy, 0, SEEK_SET) != 0) {
            if (copy >= 0)
                ::close(copy);
            return;
        }
        SF_INFO info{};
        file = sf_open_fd(copy, SFM_READ, &info, SF_TRUE);
    }

    // The file ended at `frame`: if the header promised more, the readable length is kept.
    void endAt(std::uint64_t frame)
    {
        if (frame >= stated.frames)
            return;
        stated.frames = frame;
        // An MP3's length is an estimate from its bit rate, not a header's word.
        if (!estimatedLength)
            stated.shorterThanHeader = true;
    }

    int fd;
    SNDFILE* file;
    bool estimatedLength;
    std::vector<float> scratch;
    AudioFormat_t stated;
    std::uint64_t position = 0;
};

// libsndfile clamps an uncompressed file's sample data chunk ("data" in
// WAV, "SSND" in AIFF) to the bytes present, and logs the length its header
// stated as "data : N (should be M)". Only those chunks count: a wrong RIFF or
// FORM size over whole sample data loses nothing.
bool headerClaimsMore(SNDFILE* file)
{
    std::vector<char> log(16384, '\0');
    sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size() - 1));
    std::string_view text(log.data());
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        const bool samples = line.rfind("data ", 0) == 0 || line.rfind("SSND ", 0) == 0;
        if (samples && line.find("(should be") != std::string_view::npos)
            return true;
    }
    return false;
}

// MP4 files (AAC, ALAC) carry "ftyp" at byte 4; libsndfile has no decoder for them.
bool isMp4(int fd)
{
    char head[8] = {};
    const bool got = ::pread(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head);
    return got && std::memcmp(head + 4, "ftyp", 4) == 0;
}

std::string describe(const std::string& path, const struct stat& st)
{
    if (S_ISDIR(st.st_mode))
        return path + ": is a folder, not a sound file";
    if (!S_ISREG(st.st_mode))
        return path + ": not a regular file";
    if (st.st_size == 0)
        return path + ": the file is empty";
    return {};
}

} // namespace

std::unique_ptr<IAudioDecoder> SndfileOpener::open(const std::string& path, std::string& error)
{
    if (path.empty()) {
        error = "no file name given";
        return nullptr;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = path +
                (errno == ENOENT ? ": no such file" : ": cannot be read (" + std::string(std::strerror(errno)) + ")");
        return nullptr;
    }
    error = describe(path, st);
    if (!error.empty())
        return nullptr;
    // Non-blocking, so a path swapped for a FIFO after the check cannot hang
    // the open; what was opened is checked again through its descriptor.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = path + ": cannot be read (" + std::strerror(errno) + ")";
        return nullptr;
    }
    if (::fstat(fd, &st) != 0 || !(error = describe(path, st)).empty()) {
        if (error.empty())
            error = path + ": cannot be read (" + std::strerror(errno) + ")";
        ::close(fd);
        return nullptr;
    }
    if (isMp4(fd)) {
        error = path + ": AAC/M4A (MP4) files cannot be read; convert it to FLAC, Ogg, Opus, MP3 or WAV";
        ::close(fd);
        return nullptr;
    }
    // libsndfile closes the copy it is given; the decoder keeps fd to open the file afresh.
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    SF_INFO info{};
    SNDFILE* file = copy >= 0 ? sf_open_fd(copy, SFM_READ, &info, SF_TRUE) : nullptr;
    if (file == nullptr) {
        error = path + ": not a WAV, AIFF, FLAC, Ogg Vorbis, Opus or MP3 file, or its header is damaged (" +
                (copy >= 0 ? sf_strerror(nullptr) : std::strerror(errno)) + ")";
        ::close(fd);
        return nullptr;
    }
    const char* refused = info.channels <= 0     ? ": the file has 0 channels"
                          : info.samplerate <= 0 ? ": the file states a sample rate of 0 Hz"
                                                 : nullptr;
    if (refused != nullptr) {
        sf_close(file);
        ::close(fd);
        error = path + refused;
        return nullptr;
    }
    return std::make_unique<SndfileDecoder>(fd, file, info, headerClaimsMore(file));
}

} // namespace dravik
