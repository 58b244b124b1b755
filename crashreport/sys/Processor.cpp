#include "crashreport/sys/Processor.h"

#include <cpuid.h>
#include <cstring>
#include <ctime>
#include <x86intrin.h>

namespace errvane {
namespace {

std::uint64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u + static_cast<std::uint64_t>(ts.tv_nsec);
}

}  // namespace

void Processor::BrandText(char (&text)[49]) {
    std::memset(text, 0, sizeof text);
    unsigned a, b, c, d;
    if (__get_cpuid(0x80000000u, &a, &b, &c, &d) == 0 || a < 0x80000004u) return;
    for (unsigned leaf = 0; leaf < 3; ++leaf) {
        unsigned regs[4];
        __get_cpuid(0x80000002u + leaf, &regs[0], &regs[1], &regs[2], &regs[3]);
        std::memcpy(text + leaf * 16, regs, sizeof regs);
    }
}

unsigned Processor::Family() {
    unsigned a, b, c, d;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0) return 0;
    const unsigned family = a >> 8 & 0xF;
    return family == 0xF ? family + (a >> 20 & 0xFF) : family;
}

unsigned Processor::ModelStepping() {
    unsigned a, b, c, d;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0) return 0;
    const unsigned family = a >> 8 & 0xF;
    unsigned model = a >> 4 & 0xF;
    if (family == 0x6 || family == 0xF) model |= (a >> 16 & 0xF) << 4;
    return model << 8 | (a & 0xF);
}

bool Processor::HasInvariantTimestamp() {
    unsigned a, b, c, d;
    if (__get_cpuid(0x80000000u, &a, &b, &c, &d) == 0 || a < 0x80000007u) return false;
    __get_cpuid(0x80000007u, &a, &b, &c, &d);
    return (d >> 8 & 1u) != 0;
}

std::uint64_t Processor::MeasureMHz(unsigned milliseconds) {
    const std::uint64_t wait = static_cast<std::uint64_t>(milliseconds) * 1000000u;
    const std::uint64_t t0 = __rdtsc();
    const std::uint64_t p0 = MonotonicNs();
    std::uint64_t p1 = p0;
    while (p1 - p0 < wait) p1 = MonotonicNs();
    const std::uint64_t t1 = __rdtsc();
    if (p1 == p0) return 0;
    // cycles per microsecond, rounded; the elapsed nanoseconds are far below 2^64 / 1000.
    return ((t1 - t0) * 1000u + (p1 - p0) / 2) / (p1 - p0);
}

}  // namespace errvane
