#pragma once

#include "analysis/WindowingType.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace dravik {

// An analysis window: multiplies a frame before the transform and supplies the
// gains that correct the bin magnitudes afterwards.
class IWindowing {
public:
    virtual ~IWindowing() = default;
    // Prepares the window for frames of n samples.
    virtual void initialize(std::uint64_t n) = 0;
    virtual void apply(const double* source, double* destination, std::uint64_t n) const = 0;
    virtual double coherentGain() const = 0; // mean of the window values
    virtual double rmsGain() const = 0;      // root mean square of the window values
    virtual WindowingType type() const = 0;
};

// The rectangular window: a plain copy, both gains 1.
class NoWindowing final : public IWindowing {
public:
    void initialize(std::uint64_t) override {}
    void apply(const double* source, double* destination, std::uint64_t n) const override;
    double coherentGain() const override { return 1.0; }
    double rmsGain() const override { return 1.0; }
    WindowingType type() const override { return WindowingType::None; }
};

// A window held as a precomputed table of n values.
class WindowingBase : public IWindowing {
public:
    // Samples past the end of the table lie outside the window and come out 0.
    void apply(const double* source, double* destination, std::uint64_t n) const override;
    double coherentGain() const override { return coherent; }
    double rmsGain() const override { return rms; }

protected:
    // Fills the table with fromCosine(cos(2 pi i / (n - 1))) for i in [0, n)
    // and derives both gains; a window shorter than 2 samples is all ones.
    template <typename FromCosine>
    void buildTable(std::uint64_t n, FromCosine fromCosine);

private:
    std::vector<double> table;
    double coherent = 0.0;
    double rms = 0.0;
};

// Symmetric windows: w[0] == w[n - 1].
class HannWindowing final : public WindowingBase {
public:
    void initialize(std::uint64_t n) override;
    WindowingType type() const override { return WindowingType::Hann; }
};

class HammingWindowing final : public WindowingBase {
public:
    void initialize(std::uint64_t n) override;
    WindowingType type() const override { return WindowingType::Hamming; }
};

class BlackmanWindowing final : public WindowingBase {
public:
    void initialize(std::uint64_t n) override;
    WindowingType type() const override { return WindowingType::Blackman; }
};

// Hann, Hamming or Blackman for their values, the rectangular window for any other.
std::unique_ptr<IWindowing> createWindowing(WindowingType type);

// cos(2 pi i / (n - 1)) for i in [0, n), n >= 2, exactly symmetric
// (out[i] == out[n - 1 - i]) and within a few ulp of std::cos.
void fillWindowCosines(double* out, std::uint64_t n);

template <typename FromCosine>
void WindowingBase::buildTable(std::uint64_t n, FromCosine fromCosine)
{
    table.assign(n, 1.0);
    if (n < 2) {
        coherent = 1.0;
        rms = 1.0;
        return;
    }
    fillWindowCosines(table.data(), n);
    double sum = 0.0;
    double sumOfSquares = 0.0;
    for (std::uint64_t i = 0; i < n; ++i) {
        const double w = fromCosine(table[i]);
        table[i] = w;
        sum += w;
        sumOfSquares += w * w;
    }
    const double length = static_cast<double>(n);
    coherent = sum / length;
    rms = std::sqrt(sumOfSquares / length);
}

} // namespace dravik
