#include "driver/host/Dispatcher.h"

#include "driver/host/PnpPower.h"

namespace lxq::host {

void Dispatcher::Dispatch(const DevicePtr& device, const RequestPtr& request) {
    device->Counter().Increment();
    // The counter's pointer keeps the device object alive until the request has left it.
    request->SetCountRelease(std::shared_ptr<RequestCounter>(device, &device->Counter()));

    switch (request->Kind()) {
    case RequestKind::Create: request->Complete(Open(*device, *request)); return;
    case RequestKind::Close: request->Complete(Close(*device)); return;
    case RequestKind::Cleanup:
        device->Pending().CancelHandle(request->handle);
        request->Complete(kStatusSuccess);
        return;
    case RequestKind::Power: PnpPower::HandlePower(device, request); return;
    case RequestKind::Pnp: PnpPower::HandlePnp(device, request); return;
    case RequestKind::DeviceControl: break;
    }

    if (request->code == IOCTL_LXQ745_IS_CONNECTED) {
        // Answered in every state, so that a client can tell a sleeping receiver from a gone one.
        const bool connected = !device->IsGone() && device->Driver().Responding();
        request->Complete(kStatusSuccess, connected ? 1 : 0);
        return;
    }
    if (device->IsGone()) {
        request->Complete(kStatusDeletePending);
        return;
    }
    Route(device, request);
}

bool Dispatcher::CanServe(DeviceObject& device) {
    return device.Has(kStarted) && !device.Has(kRemovalPending) && !device.InTransition() &&
           device.DevicePower() == kD0;
}

void Dispatcher::Route(const DevicePtr& device, const RequestPtr& request) {
    if (CanServe(*device)) {
        Serve(*device, *request);
        return;
    }
    const bool poweredDownWhileWorking = device->Has(kStarted) && !device->Has(kRemovalPending) &&
                                         !device->InTransition() &&
                                         device->SystemPower() == kSystemWorking;
    device->Pending().Hold(request);
    if (poweredDownWhileWorking) {
        // The request waits in the list until D0 arrives rather than reaching powered-down
        // hardware; the power-up replays it.
        const NtStatus status = device->Lower().RequestDevicePower(*device, kD0, false);
        if (!IsSuccess(status)) {
            for (auto& held : device->Pending().TakeAll()) held->Complete(status);
            return;
        }
    }
    // The device may have become able to serve while the request was being held.
    if (CanServe(*device)) Replay(device, false);
}

void Dispatcher::Serve(DeviceObject& device, IoRequest& request) {
    NtStatus status;
    {
        // Requests reach the handler one at a time per device.
        std::lock_guard lock(device.HandlerMutex());
        request.bytes = 0;
        status = device.Driver().HandleDeviceControl(request);
    }
    request.Complete(status, request.bytes);
}

void Dispatcher::Replay(const DevicePtr& device, bool failure) {
    for (auto& request : device->Pending().TakeAll()) {
        if (request->IsCancelled()) request->Complete(kStatusCancelled);
        else if (failure) request->Complete(kStatusDeletePending);
        else Dispatch(device, request);
    }
}

NtStatus Dispatcher::Open(DeviceObject& device, const IoRequest& request) {
    std::lock_guard lock(device.DeviceMutex());
    if (device.IsGone()) return kStatusDeletePending;
    if (device.openCount == 0) {
        if (device.DevicePower() != kD0) {
            const NtStatus power = device.Lower().RequestDevicePower(device, kD0, true);
            if (!IsSuccess(power)) return power;
        }
        const NtStatus status = device.Driver().FirstOpen();
        if (!IsSuccess(status)) return status;
        device.owner = request.caller;
    } else if (request.caller != device.owner) {
        return kStatusDeviceBusy;
    }
    ++device.openCount;
    return kStatusSuccess;
}

NtStatus Dispatcher::Close(DeviceObject& device) {
    std::lock_guard lock(device.DeviceMutex());
    if (device.openCount <= 0) return kStatusSuccess;
    if (device.openCount == 1) device.Driver().LastClose();
    if (--device.openCount != 0) return kStatusSuccess;
    if (device.Has(kRemoved)) {
        if (!device.Has(kRemovalFinishedByPnp)) device.Lower().ReleaseInterface(device);
    } else if (device.Driver().PowerDownOnClose()) {
        device.Lower().RequestDevicePower(device, kD3, false);
    }
    return kStatusSuccess;
}

} // namespace lxq::host
