#include "sound/SfmlFileOpener.h"

#include "sound/QuietSfmlErrors.h"

#include <SFML/Audio/InputSoundFile.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace dravik {

namespace {

class SfmlFileDecoder final : public IAudioDecoder {
public:
    explicit SfmlFileDecoder(std::unique_ptr<sf::InputSoundFile> file)
        : file(std::move(file))
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
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe == nullptr)
        return path + ": cannot be read (" + std::strerror(errno) + ")";
    std::fclose(probe);
    return {};
}

} // namespace

std::unique_ptr<IAudioDecoder> SfmlFileOpener::open(const std::string& path, std::string& error)
{
    error = checkPath(path);
    if (!error.empty())
        return nullptr;
    auto file = std::make_unique<sf::InputSoundFile>();
    {
        const QuietSfmlErrors quiet;
        if (!file->openFromFile(path)) {
            error = path + ": not a WAV, FLAC or Ogg Vorbis file, or its header is damaged";
            return nullptr;
        }
    }
    if (file->getChannelCount() == 0) {
        error = path + ": the file has 0 channels";
        return nullptr;
    }
    if (file->getSampleRate() == 0) {
        error = path + ": the file states a sample rate of 0 Hz";
        return nullptr;
    }
    return std::make_unique<SfmlFileDecoder>(std::move(file));
}

} // namespace dravik
