#pragma once
// Inner loop of the phase discriminator: the phase step between neighbouring complex samples,
// the angle of x[k] conj(x[k - 1]), scaled and truncated toward zero into 32 bits.
//
// The angle is the four-quadrant arctangent of the conjugate product's imaginary and real parts,
// formed in float: the octant's ratio min / max through an odd polynomial (minimax on [0, 1],
// within 2.5e-7 rad of the arctangent), then reflected into its octant. The whole circle is within
// 1e-6 rad of the exact angle, about 0.01 of a 16-bit step at the FM audio's full deviation; a
// library arctangent in double cost the discriminator twenty times as much. A zero product (a
// zero sample on either side) has no phase and gives 0; a product on the negative real axis gives
// +pi or -pi by the sign of its imaginary part, as the library arctangent does.
//
// Every routine performs the same float operations in the same order, so they agree bit for bit.

#include "demod/dsp/RC_Routine.h"

#include <cfloat>
#include <cmath>
#include <cstdint>

// Phase steps of n samples, x[-1] being (previousI, previousQ): out[k] = angle x scale.
// |scale| x pi must stay below 2^31.
using RC_PhaseKernel = void (*)(const std::int32_t* i, const std::int32_t* q, std::uint32_t n,
                                std::int32_t previousI, std::int32_t previousQ, float scale,
                                std::int32_t* out);

void RC_PhaseStepsScalar(const std::int32_t* i, const std::int32_t* q, std::uint32_t n,
                         std::int32_t previousI, std::int32_t previousQ, float scale, std::int32_t* out);
void RC_PhaseStepsSse2(const std::int32_t* i, const std::int32_t* q, std::uint32_t n,
                       std::int32_t previousI, std::int32_t previousQ, float scale, std::int32_t* out);

RC_PhaseKernel RC_SelectPhaseKernel(RC_Routine routine);

// Coefficients of atan(t) = t (c0 + c1 t^2 + ... + c6 t^12) on [0, 1].
constexpr float kRC_AtanCoefficients[7] = {0.9999961115495709f,  -0.3331736805474933f,
                                           0.19807815564989179f, -0.1323334209557463f,
                                           0.07962367236561659f, -0.033604220565024996f,
                                           0.006811793290873252f};
constexpr float kRC_HalfPiF = 1.57079632679489662f;
constexpr float kRC_PiF = 3.14159265358979324f;

// The angle of x + j y in (-pi, pi], as every routine forms it.
inline float RC_PhaseAngle(float y, float x) {
    const float ax = std::fabs(x);
    const float ay = std::fabs(y);
    const float larger = ay > ax ? ay : ax;
    const float smaller = ay > ax ? ax : ay;
    // Both 0: 0 / FLT_MIN = 0, the angle 0.
    const float t = smaller / (larger > FLT_MIN ? larger : FLT_MIN);
    const float t2 = t * t;
    float p = kRC_AtanCoefficients[6];
    for (int c = 5; c >= 0; --c) {
        p = p * t2 + kRC_AtanCoefficients[c];
    }
    float a = p * t;
    a = ay > ax ? kRC_HalfPiF - a : a;
    a = x < 0.0f ? kRC_PiF - a : a;
    return std::copysign(a, y);
}

// The conjugate product of x = (re, im) and the earlier sample (pr, pi): its angle's sine and
// cosine parts, as every routine forms them.
inline float RC_PhaseCross(float re, float im, float pr, float pi) { return pi * re - pr * im; }
inline float RC_PhaseDot(float re, float im, float pr, float pi) { return re * pr + im * pi; }
