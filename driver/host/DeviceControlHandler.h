#pragma once
// Serves every device-control request of a receiver: checks the buffers, runs the tuning,
// measurement and EEPROM operations, pushes the resulting tuner state and answers with the
// value, the record or the confirmation flags the request asks for.

#include "driver/host/ReceiverDevice.h"

namespace lxq::host {

class DeviceControlHandler {
public:
    // Sets request.bytes and returns the completion status.
    static NtStatus Handle(ReceiverDevice& device, IoRequest& request);

private:
    static NtStatus GetValue(ReceiverDevice& device, IoRequest& request, bool& handled);
    static NtStatus SetValue(ReceiverDevice& device, IoRequest& request, bool& handled);
    static NtStatus Records(ReceiverDevice& device, IoRequest& request, bool& handled);
    static NtStatus EepromWrites(ReceiverDevice& device, IoRequest& request, bool& handled);
    static NtStatus Tuning(ReceiverDevice& device, IoRequest& request, bool& handled);
    static NtStatus Service(ReceiverDevice& device, IoRequest& request);
};

} // namespace lxq::host
