#include "demod/dsp/RC_Locale.h"

#include <atomic>
#include <clocale>

namespace {
std::atomic<char> g_decimalPoint{'.'};
}

char RC_DecimalPoint() { return g_decimalPoint.load(std::memory_order_relaxed); }

void RC_LoadLocale() {
    const std::lconv* conventions = std::localeconv();
    char point = '.';
    if (conventions != nullptr && conventions->decimal_point != nullptr &&
        conventions->decimal_point[0] != '\0') {
        point = conventions->decimal_point[0];
    }
    g_decimalPoint.store(point, std::memory_order_relaxed);
}
