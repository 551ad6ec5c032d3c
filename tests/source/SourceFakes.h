#pragma once

#include "analysis/BlockRingBuffer.h"
#include "analysis/IFFT.h"
#include "source/IAudioDecoder.h"
#include "source/ICaptureDevice.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dravik::test {

// An analyser that keeps its window for the test to look at instead of transforming it.
class WindowProbe final : public IFFT {
public:
    WindowProbe(std::uint32_t blockSize, std::uint32_t windowSize, float hopRate)
        : ring(blockSize, windowSize / blockSize, hopRate)
    {
    }
    bool isReady() const override { return ring.isReady(); }
    std::uint64_t blocksUntilReady() const override { return ring.blocksUntilReady(); }
    void reset() override { ring.reset(); }
    bool pushBlock(const double* samples, std::uint64_t count) override
    {
        pushed += count;
        return ring.push(samples, count);
    }
    MagnitudeSpectrum compute() override { return {}; }
    ArrayView<double> window() const { return ring.window(); }
    // Samples accepted since construction, across resets.
    std::uint64_t samplesPushed() const { return pushed; }

private:
    BlockRingBuffer ring;
    std::uint64_t pushed = 0;
};

// A file whose every sample is given by a function of (frame, channel).
class ScriptedDecoder final : public IAudioDecoder {
public:
    using Sample = std::function<std::int16_t(std::uint64_t frame, std::uint32_t channel)>;

    ScriptedDecoder(AudioFormat_t format, Sample sample, std::uint64_t* framesRead = nullptr)
        : info(format)
        , sample(std::move(sample))
        , framesRead(framesRead)
    {
    }
    AudioFormat_t format() const override { return info; }
    std::uint64_t read(std::int16_t* interleaved, std::uint64_t frames) override
    {
        const std::uint64_t n = std::min(frames, info.frames - std::min(info.frames, at));
        for (std::uint64_t f = 0; f < n; ++f)
            for (std::uint32_t c = 0; c < info.channels; ++c)
                interleaved[f * info.channels + c] = sample(at + f, c);
        at += n;
        if (framesRead != nullptr)
            *framesRead += n;
        return n;
    }
    void seek(std::uint64_t frame) override { at = std::min(frame, info.frames); }

private:
    AudioFormat_t info;
    Sample sample;
    std::uint64_t* framesRead;
    std::uint64_t at = 0;
};

// A capture device the test feeds by hand.
class ScriptedCapture final : public ICaptureDevice {
public:
    std::vector<std::string> names{"Built-in Microphone", "USB Headset"};
    bool refuse = false;
    std::string started;
    std::vector<std::int16_t> pending;
    int stops = 0;

    std::vector<std::string> availableDevices() override { return names; }
    std::string defaultDevice() override { return names.empty() ? std::string() : names.front(); }
    bool start(const std::string& device, std::uint32_t, std::string& error) override
    {
        if (refuse) {
            error = "busy";
            return false;
        }
        started = device;
        return true;
    }
    void stop() override { ++stops; }
    std::uint64_t read(std::int16_t* samples, std::uint64_t count) override
    {
        const std::uint64_t n = std::min<std::uint64_t>(count, pending.size());
        std::copy_n(pending.begin(), n, samples);
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }
    void deliver(std::uint64_t count, std::int16_t value = 1000) { pending.insert(pending.end(), count, value); }
};

} // namespace dravik::test
