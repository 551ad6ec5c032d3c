#include "source/RealTimeFeed.h"

#include "source/RealTimePacing.h"

#include <algorithm>

namespace dravik {

namespace {

std::uint64_t powerOfTwoAtLeast(std::uint64_t n)
{
    std::uint64_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

} // namespace

RealTimeFeed::RealTimeFeed(std::uint64_t capacity)
    : ring(powerOfTwoAtLeast(std::max<std::uint64_t>(capacity, 1)), 0.0)
    , mask(ring.size() - 1)
{
}

void RealTimeFeed::clear()
{
    writeEnd = 0;
    pushedEnd = 0;
    validFrom = 0;
    restartPending = true;
}

void RealTimeFeed::append(const double* samples, std::uint64_t count)
{
    for (std::uint64_t i = 0; i < count; ++i)
        ring[(static_cast<std::uint64_t>(writeEnd) + i) & mask] = samples[i];
    writeEnd += static_cast<std::int64_t>(count);
}

void RealTimeFeed::startOver(std::int64_t from)
{
    validFrom = from;
    restartPending = true;
}

bool RealTimeFeed::feed(IFFT& analyser, std::uint32_t blockSize, std::uint32_t windowSize, std::int64_t heard)
{
    if (blockSize == 0 || windowSize == 0 || windowSize > ring.size() / 2)
        return false;
    heard = std::min(heard, writeEnd);
    const std::int64_t oldest = std::max<std::int64_t>(0, writeEnd - static_cast<std::int64_t>(ring.size()));
    const std::int64_t from = std::max(validFrom, oldest);
    if (restartPending) {
        // A source that has just started or seeked has all it heard
        // analysed, so the windows fall where a run over the same samples
        // from that point puts them. After a longer stretch (a change of
        // settings mid-file) the analysis starts one window before the
        // position, so a spectrum follows at once.
        analyser.reset();
        const auto catchUp = static_cast<std::int64_t>(catchUpWindows) * windowSize;
        pushedEnd = heard - from <= catchUp ? from : heard - static_cast<std::int64_t>(windowSize);
        hop = windowSize;
        restartPending = false;
    }
    const std::uint64_t needed = analyser.blocksUntilReady() * blockSize;
    if (needed == 0)
        return false;
    const PacingStep_t step = paceAnalysis({pushedEnd, needed, hop, windowSize, heard, from});
    if (step.action == PacingAction::Wait)
        return false;
    std::int64_t windowEnd = step.windowEnd;
    if (step.action == PacingAction::Restart && pushedEnd >= from && hop != 0) {
        // Several hops fell due at once (a slow frame) and what the analyser
        // holds still runs on into the ring: push on through every hop due, so
        // the tracker hears every sample and its clock keeps to the timeline.
        // The window then ends less than a hop before the position, as it does
        // when one hop is due.
        const auto ready = pushedEnd + static_cast<std::int64_t>(needed);
        const auto hopLength = static_cast<std::int64_t>(hop);
        windowEnd = ready + (heard - ready) / hopLength * hopLength;
        push(analyser, pushedEnd, windowEnd, blockSize);
    } else if (step.action == PacingAction::Restart) {
        analyser.reset();
        push(analyser, windowEnd - windowSize, windowEnd, blockSize);
    } else {
        push(analyser, pushedEnd, windowEnd, blockSize);
    }
    pushedEnd = windowEnd;
    const bool ready = analyser.isReady();
    if (ready)
        hop = analyser.blocksUntilReady() * blockSize;
    return ready;
}

void RealTimeFeed::push(IFFT& analyser, std::int64_t begin, std::int64_t end, std::uint32_t blockSize)
{
    if (block.size() < blockSize)
        block.resize(blockSize);
    for (std::int64_t at = begin; at + blockSize <= end; at += blockSize) {
        for (std::uint32_t i = 0; i < blockSize; ++i)
            block[i] = ring[(static_cast<std::uint64_t>(at) + i) & mask];
        analyser.pushBlock(block.data(), blockSize);
    }
}

} // namespace dravik
