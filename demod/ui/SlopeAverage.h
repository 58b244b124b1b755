#pragma once
// The IF display's slope correction at work: every spectrum the IF graph computes gets the knobs'
// correction; with the service controls shown the corrected spectrum is also averaged, its
// baseline and ripple measured, and an automatic correction run sets the knobs once the average
// has settled. Runs inside the graph's paint on the user-interface thread.

#include "demod/ui/SlopeRecord.h"

#include <array>
#include <limits>

// One spectrum as the IF graph hands it over for display.
struct SlopeFrame {
    float* db = nullptr; // one value per bin, bins fs / (2 n) apart
    int bins = 0;        // n
    double fs = 0.0;
    // The bins the graph computed afresh for this frame (all when not narrowed). Only these are
    // corrected and averaged: any other bin still holds what an earlier frame left there.
    int firstFresh = 0;
    int lastFresh = std::numeric_limits<int>::max();
    bool hold = false;     // the averaged spectrum is shown instead
    bool inverted = false; // the IF is shown mirrored: knob 0 belongs to 22000 Hz
    bool track = false;    // average, measure and (when running) finish an automatic correction
};

class SlopeAverage {
public:
    static constexpr int kMaxBins = 2048;
    // The average has settled when one frame changes it by less than this (sum of squares, dB).
    static constexpr double kSettled = 5.0;

    SlopeAverage();

    // Starts an automatic correction: average at -60 dB throughout, knobs to 0.
    void StartAutomatic(SlopeKnobs& knobs);
    bool AutomaticRunning() const { return automatic_; }

    // Corrects one frame. Returns true when an automatic run ended and the knobs changed.
    bool Apply(const SlopeFrame& frame, SlopeKnobs& knobs);

    double Baseline() const { return baseline_; }
    double AverageRipple() const { return averageRipple_; }
    double MaximumRipple() const { return maximumRipple_; }
    float Averaged(int bin) const { return average_[bin]; }
    // The bins the last frame corrected (first > last when none).
    int FirstCorrected() const { return first_; }
    int LastCorrected() const { return last_; }

private:
    int Bin(double hz) const;
    double MeanAt(double fromHz, double toHz, double stepHz) const;

    std::array<float, kMaxBins> average_;
    std::array<float, kMaxBins> previous_;
    double binHz_ = 1.0;
    int first_ = 0, last_ = -1; // the fresh bins from 2000 to 22000 Hz
    bool automatic_ = false;
    double baseline_ = 0.0;
    double averageRipple_ = 0.0;
    double maximumRipple_ = 0.0;
};
