#include "demod/ui/SlopeAverage.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kLowHz = 2000.0;
constexpr double kHighHz = 22000.0;
constexpr float kStartDb = -70.0f;
constexpr float kAutomaticStartDb = -60.0f;
} // namespace

SlopeAverage::SlopeAverage() {
    average_.fill(kStartDb);
    previous_.fill(kStartDb);
}

void SlopeAverage::StartAutomatic(SlopeKnobs& knobs) {
    average_.fill(kAutomaticStartDb);
    knobs.fill(0.0);
    automatic_ = true;
}

// The nearest bin that the average covers.
int SlopeAverage::Bin(double hz) const { return std::clamp(static_cast<int>(std::lround(hz / binHz_)), first_, last_); }

double SlopeAverage::MeanAt(double fromHz, double toHz, double stepHz) const {
    double sum = 0.0;
    int count = 0;
    for (double f = fromHz; f <= toHz; f += stepHz, ++count) sum += average_[Bin(f)];
    return count == 0 ? 0.0 : sum / count;
}

bool SlopeAverage::Apply(const SlopeFrame& frame, SlopeKnobs& knobs) {
    const int n = std::min(frame.bins, kMaxBins);
    if (n <= 1 || !(frame.fs > 0.0) || frame.db == nullptr) return false;
    float* db = frame.db;
    if (frame.hold) {
        std::copy(average_.begin(), average_.begin() + n, db);
        return false;
    }
    binHz_ = frame.fs / (2.0 * n);
    // The span 2000..22000 Hz, and of it only what the graph refreshed: a bin corrected without
    // being refreshed would take the correction again on every paint.
    const int first = first_ = std::max(static_cast<int>(std::ceil(kLowHz / binHz_)), std::max(frame.firstFresh, 0));
    const int last = last_ = std::min({static_cast<int>(kHighHz / binHz_), frame.lastFresh, n - 1});
    for (int b = first; b <= last; ++b)
        db[b] += static_cast<float>(SlopeCorrectionAt(knobs, b * binHz_, frame.inverted));
    if (!frame.track || last <= first) return false;
    const bool inverted = frame.inverted;

    for (int b = first; b <= last; ++b) average_[b] = 0.1f * db[b] + 0.9f * average_[b];
    for (int b = first + 1; b <= last; ++b) average_[b] = 0.937f * average_[b - 1] + 0.063f * average_[b];
    for (int b = last - 1; b >= first; --b) average_[b] = 0.937f * average_[b + 1] + 0.063f * average_[b];
    double change = 0.0;
    for (int b = first; b <= last; ++b) change += (average_[b] - previous_[b]) * (average_[b] - previous_[b]);
    previous_ = average_;

    const double mean = MeanAt(8000.0, 16000.0, 1000.0);
    baseline_ = 0.95 * baseline_ + 0.05 * mean;
    double sum = 0.0, largest = 0.0;
    for (double f = 2000.0; f <= 22000.0; f += 1000.0) {
        const double t = std::fabs(average_[Bin(f)] - mean);
        sum += t;
        largest = std::max(largest, t);
    }
    averageRipple_ = 0.95 * averageRipple_ + 0.05 * (sum / 21.0);
    maximumRipple_ = 0.95 * maximumRipple_ + 0.05 * largest;

    if (!automatic_ || change >= kSettled) return false;
    const double level = MeanAt(6000.0, 18000.0, 2000.0);
    for (int k = 0; k < kSlopeKnobs; ++k) {
        const double hz = inverted ? 2000.0 * (11 - k) : 2000.0 + 2000.0 * k;
        const double value = std::round(level + knobs[k] - average_[Bin(hz)]); // halves away from zero
        knobs[k] = std::clamp(value, static_cast<double>(kSlopeKnobMin), static_cast<double>(kSlopeKnobMax));
    }
    automatic_ = false;
    return true;
}
