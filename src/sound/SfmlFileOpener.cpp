#include "sound/SfmlFileOpener.h"

#include "sound/QuietSfmlErrors.h"

#include <SFML/Audio/InputSoundFile.hpp>
#include <SFML/System/InputStream.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace dravik {

namespace {

// The file as SFML reads it. SFML finds a file's format by letting its
// readers probe the file in turn, FLAC's first; libFLAC looks for its marker
// until the stream says it has ended, so on a six-hour WAV the probe alone
// reads 3.8 GB. During that first probe the file therefore ends, as far as
// anyone can tell, after its first megabyte; SFML seeks back to the start
// before each further probe and before opening, and from then on the whole
// file is there.
class ProbeLimitedFile final : public sf::InputStream {
public:
    static constexpr sf::Int64 probeBytes = 1 << 20;

    ProbeLimitedFile(std::FILE* file, sf::Int64 size)
        : file(file)
        , size(size)
    {
    }
    ~ProbeLimitedFile() override { std::fclose(file); }
    ProbeLimitedFile(const ProbeLimitedFile&) = delete;
    ProbeLimitedFile& operator=(const ProbeLimitedFile&) = delete;

    sf::Int64 read(void* data, sf::Int64 count) override
    {
        count = std::max<sf::Int64>(0, std::min(count, getSize() - tell()));
        return static_cast<sf::Int64>(std::fread(data, 1, static_cast<std::size_t>(count), file));
    }
    sf::Int64 seek(sf::Int64 position) override
    {
        if (position == 0 && ++rewinds >= 2)
            limited = false;
        return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0 ? position : -1;
    }
    sf::Int64 tell() override { return static_cast<sf::Int64>(ftello(file)); }
    sf::Int64 getSize() override { return limited ? std::min(size, probeBytes) : size; }
    void lift() { limited = false; }

private:
    std::FILE* file;
    sf::Int64 size;
    int rewinds = 0;
    bool limited = true;
};

class SfmlFileDecoder final : public IAudioDecoder {
public:
    SfmlFileDecoder(std::unique_ptr<ProbeLimitedFile> stream, std::unique_ptr<sf::InputSoundFile> file)
        : stream(std::move(stream))
        , file(std::move(file))
    {
        info.channels = this->file->getChannelCount();
        info.sampleRate = this->file->getSampleRate();
        info.frames = info.channels != 0 ? this->file->getSampleCount() / info.channels : 0;
    }

    AudioFormat_t format() const override { return info; }

    std::uint64_t read(std::int16_t* interleaved, std::uint64_t frames) override
    {
        return file->read(interleaved, frames * info.channels) / info.channels;
    }

    void seek(std::uint64_t frame) override { file->seek(std::min(frame, info.frames) * info.channels); }

private:
    std::unique_ptr<ProbeLimitedFile> stream; // read by file: declared first, destroyed last
    std::unique_ptr<sf::InputSoundFile> file;
    AudioFormat_t info;
};

std::string checkPath(const std::string& path)
{
    if (path.empty())
        return "no file name given";
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status))
        return path + ": no such file";
    if (fs::is_directory(status))
        return path + ": is a folder, not a sound file";
    if (!fs::is_regular_file(status))
        return path + ": not a regular file";
    if (fs::file_size(path, ec) == 0 && !ec)
        return path + ": the file is empty";
    return {};
}

} // namespace

std::unique_ptr<IAudioDecoder> SfmlFileOpener::open(const std::string& path, std::string& error)
{
    error = checkPath(path);
    if (!error.empty())
        return nullptr;
    std::FILE* handle = std::fopen(path.c_str(), "rb");
    if (handle == nullptr) {
        error = path + ": cannot be read (" + std::strerror(errno) + ")";
        return nullptr;
    }
    std::error_code ec;
    const auto size = static_cast<sf::Int64>(std::filesystem::file_size(path, ec));
    auto stream = std::make_unique<ProbeLimitedFile>(handle, ec ? 0 : size);
    auto file = std::make_unique<sf::InputSoundFile>();
    {
        const QuietSfmlErrors quiet;
        if (!file->openFromStream(*stream)) {
            error = path + ": not a WAV, FLAC or Ogg Vorbis file, or its header is damaged";
            return nullptr;
        }
    }
    stream->lift();
    if (file->getChannelCount() == 0) {
        error = path + ": the file has 0 channels";
        return nullptr;
    }
    if (file->getSampleRate() == 0) {
        error = path + ": the file states a sample rate of 0 Hz";
        return nullptr;
    }
    return std::make_unique<SfmlFileDecoder>(std::move(stream), std::move(file));
}

} // namespace dravik
