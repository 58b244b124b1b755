/* Uses the receiver API from C through its public header only: opens the demonstration
 * receiver, tunes it, reads its description and closes it. Exit status 0 when all is well. */

#include "api/Lxq745Api.h"

#include <stdio.h>
#include <string.h>

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

int main(void) {
    RADIO_INFO info;
    RADIO_INFO_SHORT brief;
    uint32_t recordSize = 0;
    int32_t index;

    check(Q7GetRadioList3(NULL, 0, &recordSize) == 0, "no receiver present");
    check(recordSize == 42, "short record size");
    index = Q7Open(NULL);
    check(index >= 1 && index <= 16, "demo receiver opens");
    check(SetFrequency(index, 14200000u) == 1, "tunes");
    check(GetFrequency(index) == 14200000u, "frequency cached");
    check(SetFrequency(index, 1u) == 0, "refuses below the limit");
    check(GetSignalStrengthdBm(index) <= -300, "measures");
    memset(&info, 0, sizeof info);
    info.size = sizeof info;
    check(Q7GetInfo(index, &info) == 1, "info");
    check(strcmp(info.serial, "**DEMO**") == 0, "demo serial");
    check(info.maxFrequency == 1800000000u, "upper limit");
    memset(&brief, 0, sizeof brief);
    brief.size = sizeof brief;
    check(GetInfo(index, &brief) == 1 && brief.size == 42, "short info under the second name");
    check(brief.flags == 2, "FM-wide flag");
    check(CloseRadioDevice(index) == 1, "closes");
    check(GetFrequency(index) == 0, "closed receiver answers nothing");
    return failures == 0 ? 0 : 1;
}
