#include "demod/dsp/RC_FirFilterQ15.h"

std::int16_t RC_TapToQ15(double v) {
    if (v >= 1.0) {
        return 32767;
    }
    if (v < -1.0) {
        return -32768;
    }
    if (std::isnan(v)) {
        return 0;
    }
    return static_cast<std::int16_t>(v * 32767.0);
}
