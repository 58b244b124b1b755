#include "driver/host/PnpPower.h"

#include "driver/host/Dispatcher.h"

namespace lxq::host {

void PnpPower::HandlePnp(const DevicePtr& device, const RequestPtr& request) {
    const PnpMinor minor = request->pnpMinor;
    const bool removalAfterSurprise = minor == PnpMinor::Remove && device->Has(kSurpriseRemoved);
    if (device->Has(kRemoved) || (device->Has(kSurpriseRemoved) && !removalAfterSurprise)) {
        request->Complete(kStatusDeletePending);
        return;
    }
    switch (minor) {
    case PnpMinor::Start: {
        const NtStatus status = Start(device);
        request->Complete(status);
        if (IsSuccess(status)) Dispatcher::Replay(device, false);
        return;
    }
    case PnpMinor::QueryRemove: request->Complete(QueryRemove(*device)); return;
    case PnpMinor::CancelRemove:
        // The removal will not come: requests flow again and the device keeps its own reference.
        if (device->Has(kRemovalPending)) {
            device->Clear(kRemovalPending);
            device->Counter().RestoreOwnReference();
        }
        request->Complete(kStatusSuccess);
        Dispatcher::Replay(device, false);
        return;
    case PnpMinor::Remove: Remove(device, *request); return;
    case PnpMinor::QueryCapabilities: request->Complete(QueryCapabilities(*device)); return;
    case PnpMinor::SurpriseRemoval:
        device->Set(kSurpriseRemoved);
        StopDevice(*device);
        request->Complete(kStatusSuccess);
        return;
    default: request->Complete(kStatusSuccess); return;
    }
}

NtStatus PnpPower::Start(const DevicePtr& device) {
    NtStatus status = device->Lower().ForwardStart(*device);
    if (!IsSuccess(status)) return status;
    status = device->Driver().StartHardware();
    if (!IsSuccess(status)) return status;
    status = QueryCapabilities(*device);
    if (!IsSuccess(status)) return status;
    device->ClearStopped();
    device->Set(kStarted);
    device->Lower().SetInterfaceEnabled(*device, true);
    return kStatusSuccess;
}

NtStatus PnpPower::QueryRemove(DeviceObject& device) {
    {
        std::lock_guard lock(device.DeviceMutex());
        // The query itself is in flight; anything more means the receiver is busy.
        if (device.openCount > 0 || device.Counter().InFlight() > 1) return kStatusDeviceBusy;
        device.Set(kRemovalPending);
    }
    device.Pending().CompleteAll(kStatusDeletePending);
    if (device.Has(kStarted)) {
        device.Counter().DropOwnReference();
        device.Counter().WaitIdle(device.idleTimeout);
    }
    return kStatusSuccess;
}

void PnpPower::Remove(const DevicePtr& device, IoRequest& request) {
    {
        std::lock_guard lock(device->DeviceMutex());
        device->Set(kRemoved);
        Dispatcher::Replay(device, true);
        StopDevice(*device);
        device->Counter().DropOwnReference();
        if (device->openCount == 0) {
            device->Set(kRemovalFinishedByPnp);
            device->Lower().ReleaseInterface(*device);
        }
    }
    // The removal itself no longer counts; wait for the requests still in the handler.
    request.ReleaseCount();
    device->Counter().WaitRemovable(device->removalTimeout);
    request.Complete(kStatusSuccess);
}

void PnpPower::StopDevice(DeviceObject& device) {
    if (!device.TakeStop()) return;  // surprise removal and the removal after it stop once
    device.Driver().StopHardware();
    device.Lower().SetInterfaceEnabled(device, false);
}

NtStatus PnpPower::QueryCapabilities(DeviceObject& device) {
    DeviceCapabilities capabilities{};
    capabilities.size = sizeof capabilities;
    capabilities.version = 1;
    capabilities.address = kCapabilitiesUnknownAddress;
    capabilities.uiNumber = kCapabilitiesUnknownAddress;
    const NtStatus status = device.Lower().QueryCapabilities(device, capabilities);
    if (!IsSuccess(status)) return status;
    if (device.Driver().DeviceVariant() != Variant::Pci)
        capabilities.flags |= kCapabilityRemovable | kCapabilitySurpriseRemovalOk;
    device.capabilities = capabilities;
    return kStatusSuccess;
}

int PnpPower::DeviceStateFor(const DeviceObject& device, int systemState) {
    const int mapped = systemState >= 1 && systemState < 7
                           ? static_cast<int>(device.capabilities.deviceState[systemState])
                           : 0;
    if (systemState == kSystemWorking) return mapped >= kD0 && mapped <= kD3 ? mapped : kD0;
    // A sleeping state the bus names no device state for is slept through in D3.
    return mapped >= kD0 && mapped <= kD3 ? mapped : kD3;
}

void PnpPower::HandlePower(const DevicePtr& device, const RequestPtr& request) {
    if (device->Has(kRemoved)) {
        request->Complete(kStatusDeletePending);
        return;
    }
    NtStatus status = kStatusSuccess;
    const int state = request->powerState;
    if (request->powerMinor == PowerMinor::SetPower) {
        status = request->powerType == PowerType::Device ? SetDevicePower(device, state)
                                                         : SetSystemPower(device, state);
    } else if (request->powerMinor == PowerMinor::QueryPower) {
        if (request->powerType == PowerType::System) {
            status = QuerySystemPower(*device, state);
        } else if (state > device->DevicePower()) {
            device->SetTransition(state == kD3 ? kTransitionToD3 : kTransitionToSleep);
        } else {
            device->ClearTransitions();
        }
    }
    request->Complete(status);
}

NtStatus PnpPower::SetDevicePower(const DevicePtr& device, int state) {
    // Every variant keeps its device power state: a suspended USB or serial receiver holds its
    // requests like the card and replays them once it is back, rather than holding them for ever.
    const int current = device->DevicePower();
    if (state == current) {
        device->ClearTransitions();
        if (state == kD0 && device->SystemPower() == kSystemWorking) Dispatcher::Replay(device, false);
    } else if (state < current) {
        device->SetDevicePower(state);
        device->ClearTransitions();
        if (state == kD0) Dispatcher::Replay(device, false);
    } else {
        device->SetDevicePower(state);
        device->Pending().CompleteAll(kStatusCancelled);
    }
    return kStatusSuccess;
}

NtStatus PnpPower::SetSystemPower(const DevicePtr& device, int state) {
    if (device->Driver().DeviceVariant() != Variant::Pci) {
        // The system state is kept for every variant (the bus lists a sleeping receiver as such);
        // the USB and serial receivers stay in D0, held by the transition flags meanwhile.
        device->SetSystemPower(state);
        // The query set the transition flags for every variant; back at work they must clear, or
        // every later request would wait for ever.
        if (state == kSystemWorking) {
            bool open;
            {
                std::lock_guard lock(device->DeviceMutex());
                open = device->openCount > 0;
            }
            if (!open && device->Driver().DeviceVariant() == Variant::Usb) device->Driver().CyclePort();
            device->ClearTransitions();
            if (device->DevicePower() == kD0) Dispatcher::Replay(device, false);
        }
        return kStatusSuccess;
    }
    const int current = device->SystemPower();
    if (state == current) {
        device->ClearTransitions();
        if (state == kSystemWorking && device->DevicePower() == kD0) Dispatcher::Replay(device, false);
        return kStatusSuccess;
    }
    device->SetSystemPower(state);
    const int deviceState = DeviceStateFor(*device, state);
    if (state < current) return device->Lower().RequestDevicePower(*device, deviceState, true);
    device->SetTransition(deviceState == kD3 ? kTransitionToD3 : kTransitionToSleep);
    device->Pending().CompleteAll(kStatusCancelled);
    if (device->DevicePower() == kD0) device->Counter().WaitIdle(device->idleTimeout);
    return device->Lower().RequestDevicePower(*device, deviceState, false);
}

NtStatus PnpPower::QuerySystemPower(DeviceObject& device, int state) {
    if (state <= device.SystemPower()) return kStatusSuccess;
    {
        std::lock_guard lock(device.DeviceMutex());
        if (device.openCount > 0 || device.Counter().InFlight() > 1) return kStatusDeviceBusy;
    }
    const int deviceState = DeviceStateFor(device, state);
    device.SetTransition(deviceState == kD3 ? kTransitionToD3 : kTransitionToSleep);
    if (device.DevicePower() == kD0 && !device.Counter().WaitIdle(device.idleTimeout))
        device.Pending().CompleteAll(kStatusCancelled);
    return kStatusSuccess;
}

} // namespace lxq::host
