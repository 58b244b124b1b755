#include "demod/audio/RC_AudioMixer.h"

#include "demod/audio/RC_AudioWave.h"
#include "platform/audio/AudioSystem.h"
#include "platform/sys/Clock.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"

#include <algorithm>
#include <mutex>

using namespace plat::audio;

namespace {

std::int64_t NowSeconds() { return plat::sys::ActiveClock().Now() / plat::sys::kNsPerSecond; }

const MixerControl* FindKind(const MixerLine& line, MixerControlKind kind) {
    for (const auto& c : line.controls)
        if (c.kind == kind) return &c;
    return nullptr;
}

} // namespace

namespace {
std::mutex g_classMutex;
int g_liveMixers = 0;
bool g_classRegistered = false;
} // namespace

void RC_AudioMixer::ReleaseClass() {
    std::lock_guard lock(g_classMutex);
    if (!g_classRegistered || g_liveMixers != 0) return;
    plat::win::UnregisterClass(kWindowClass);
    g_classRegistered = false;
}

RC_AudioMixer::RC_AudioMixer() {
    {
        std::lock_guard lock(g_classMutex);
        ++g_liveMixers;
        if (!g_classRegistered) {
            plat::win::WindowClass cls;
            cls.name = kWindowClass;
            cls.style = plat::win::CS_HREDRAW | plat::win::CS_VREDRAW;
            cls.proc = &RC_AudioMixer::WindowProc;
            plat::win::RegisterClass(cls);
            g_classRegistered = true;
        }
    }
    window_ = plat::win::CreateWindowEx(0, kWindowClass, "", plat::win::WS_OVERLAPPED, 0, 0, 0, 0,
                                        0, 0, 0);
    plat::win::SetWindowLongPtr(window_, plat::win::GWLP_USERDATA,
                                reinterpret_cast<std::intptr_t>(this));
    // Device arrival and removal are always watched: without them a new sound card would only
    // appear after a restart.
    notification_ = RegisterDeviceNotification(window_);
    EnumerateMixers();
    OpenMixer();
}

RC_AudioMixer::~RC_AudioMixer() {
    CloseMixer();
    UnregisterDeviceNotification(notification_);
    plat::win::DestroyWindow(window_);
    std::lock_guard lock(g_classMutex);
    --g_liveMixers;
}

std::intptr_t RC_AudioMixer::WindowProc(std::uint32_t hwnd, std::uint32_t msg,
                                        std::uintptr_t wParam, std::intptr_t lParam) {
    auto* self = reinterpret_cast<RC_AudioMixer*>(
        plat::win::GetWindowLongPtr(hwnd, plat::win::GWLP_USERDATA));
    if (self == nullptr) return plat::win::DefWindowProc(hwnd, msg, wParam, lParam);
    switch (msg) {
    case MM_MIXM_LINE_CHANGE: return 0;
    case MM_MIXM_CONTROL_CHANGE:
        if (self->mixer_ && wParam == self->mixer_->Handle())
            self->OnControlChange(static_cast<std::uint32_t>(lParam));
        return 0;
    case plat::win::WM_DEVICECHANGE:
        if (wParam == kDeviceNodesChanged) return 1;
        plat::win::PostMessage(hwnd, kRescanMessage, 0, static_cast<std::intptr_t>(NowSeconds()));
        return 1;
    case kRescanMessage: self->OnRescan(lParam); return 0;
    default: return plat::win::DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

void RC_AudioMixer::OnControlChange(std::uint32_t controlId) {
    const struct {
        Control* control;
        Callback* callback;
    } watched[] = {{&destMute_, &destMuteCb_}, {&srcMute_, &srcMuteCb_}, {&srcVolume_, &srcVolumeCb_}};
    for (const auto& w : watched) {
        if (w.control->id != static_cast<long>(controlId)) continue;
        {
            std::lock_guard<RC_Lock> hold(ObjectLock());
            Reread(*w.control);
        }
        if (w.callback->fn != nullptr) w.callback->fn(w.callback->user, this);
    }
}

void RC_AudioMixer::OnRescan(std::intptr_t stamp) {
    // The system needs a while after an arrival before the new card's mixer is complete; the
    // notice waits in the queue until then.
    if (NowSeconds() - stamp < kRescanDelaySeconds) {
        plat::win::PostMessage(window_, kRescanMessage, 0, stamp);
        return;
    }
    EnumerateMixers();
}

void RC_AudioMixer::EnumerateMixers() {
    std::string selected;
    if (mixerIndex_ >= 0) selected = mixerNames_.Item(static_cast<std::size_t>(mixerIndex_));
    mixerNames_.Clear();
    const std::uint32_t count = Mixer::DeviceCount();
    for (std::uint32_t id = 0; id < count; ++id) {
        std::string name;
        if (Mixer::GetName(id, name) == Result::NoError) mixerNames_.Add(name.substr(0, 31).c_str());
    }
    if (mixerIndex_ < 0) return;
    const long found = mixerNames_.Find(selected.c_str());
    if (found < 0) {
        CloseMixer();
        mixerIndex_ = -1;
        return;
    }
    if (found != mixerIndex_) {
        mixerIndex_ = static_cast<int>(found);
        OpenMixer();
    }
}

void RC_AudioMixer::CloseMixer() {
    std::lock_guard<RC_Lock> hold(ObjectLock());
    mixer_.reset();
    destMute_ = destVolume_ = destSelector_ = srcMute_ = srcVolume_ = Control{};
    sourceNames_.Clear();
}

void RC_AudioMixer::OpenMixer() {
    CloseMixer();
    std::uint32_t id = 0;
    if (FlagsA() & kFlagFollowWaveIn) {
        if (waveInId_ < 0 || Mixer::IdOfWaveIn(static_cast<std::uint32_t>(waveInId_), id) != Result::NoError)
            return;
        std::string name;
        if (Mixer::GetName(id, name) == Result::NoError)
            mixerIndex_ = static_cast<int>(mixerNames_.Find(name.c_str()));
    } else {
        if (mixerIndex_ < 0) return;
        id = static_cast<std::uint32_t>(mixerIndex_);
    }
    if (Mixer::Open(mixer_, id, window_) != Result::NoError) return;
    ReadLines();
}

const MixerLine* RC_AudioMixer::Destination(const std::vector<MixerLine>& all) const {
    for (const auto& d : all)
        if (d.componentType == destType_) return &d;
    return nullptr;
}

void RC_AudioMixer::ReadLines() {
    std::lock_guard<RC_Lock> hold(ObjectLock());
    if (!mixer_) return;
    const auto all = mixer_->Destinations();
    const MixerLine* dest = Destination(all);
    if (dest == nullptr) return;
    auto take = [](Control& into, const MixerControl* c) {
        into = Control{};
        if (c == nullptr) return;
        into.id = c->id;
        into.values = c->values;
        into.items = c->items;
    };
    const MixerControl* selector = FindKind(*dest, MixerControlKind::Multiplexer);
    if (selector == nullptr) selector = FindKind(*dest, MixerControlKind::MixerSelect);
    take(destSelector_, selector);
    take(destMute_, FindKind(*dest, MixerControlKind::Mute));
    take(destVolume_, FindKind(*dest, MixerControlKind::Volume));
    sourceNames_.Clear();
    for (const auto& s : dest->sources) sourceNames_.Add(s.name.c_str());
    ReadSourceControls();
}

void RC_AudioMixer::ReadSourceControls() {
    std::lock_guard<RC_Lock> hold(ObjectLock());
    srcMute_ = srcVolume_ = Control{};
    if (!mixer_ || sourceLine_ < 0) return;
    const auto all = mixer_->Destinations();
    const MixerLine* dest = Destination(all);
    if (dest == nullptr || static_cast<std::size_t>(sourceLine_) >= dest->sources.size()) return;
    const MixerLine& line = dest->sources[static_cast<std::size_t>(sourceLine_)];
    sourceType_ = line.componentType;
    if (const auto* c = FindKind(line, MixerControlKind::Mute)) srcMute_ = {c->id, c->values, {}};
    if (const auto* c = FindKind(line, MixerControlKind::Volume)) srcVolume_ = {c->id, c->values, {}};
}

void RC_AudioMixer::Reread(Control& control) {
    if (mixer_ && control.id >= 0)
        mixer_->GetValues(static_cast<std::uint32_t>(control.id), control.values);
}

void RC_AudioMixer::Write(Control& control) {
    if (mixer_ && control.id >= 0)
        mixer_->SetValues(static_cast<std::uint32_t>(control.id), control.values);
}

void RC_AudioMixer::SetDeviceByName(const char* name) {
    const long index = mixerNames_.Find(name);
    if (index < 0 || index == mixerIndex_) return;
    mixerIndex_ = static_cast<int>(index);
    OpenMixer();
}

void RC_AudioMixer::SetDeviceFromWaveIn(const RC_AudioWave& wave) {
    long id = wave.InDevice();
    if (id >= 0 && !(wave.FlagsA() & RC_AudioWave::kFlagNoDefaultEntry)) --id;
    if (id == waveInId_) return;
    waveInId_ = id;
    if (FlagsA() & kFlagFollowWaveIn) OpenMixer();
}

void RC_AudioMixer::SetDestinationType(std::uint32_t componentType) {
    if (componentType == destType_) return;
    destType_ = componentType;
    ReadLines();
}

void RC_AudioMixer::SetSourceLine(int index) {
    if (index == sourceLine_) return;
    sourceLine_ = index;
    ReadSourceControls();
}

int RC_AudioMixer::IsMuted() const {
    std::lock_guard<RC_Lock> hold(const_cast<RC_AudioMixer*>(this)->ObjectLock());
    if (srcMute_.id < 0 || srcMute_.values.empty()) return 0;
    return srcMute_.values[0] != 0;
}

void RC_AudioMixer::SetMute(int value) {
    std::lock_guard<RC_Lock> hold(ObjectLock());
    if (srcMute_.id < 0) return;
    const std::uint32_t wanted = value != 0 ? 1u : 0u;
    // The demodulator re-asserts the mute every block: nothing is written while it already holds.
    if (std::all_of(srcMute_.values.begin(), srcMute_.values.end(), [&](std::uint32_t v) { return v == wanted; }))
        return;
    std::fill(srcMute_.values.begin(), srcMute_.values.end(), wanted);
    Write(srcMute_);
}

std::uint32_t RC_AudioMixer::GetVolume() const {
    std::lock_guard<RC_Lock> hold(const_cast<RC_AudioMixer*>(this)->ObjectLock());
    // With a single source the destination's own volume is the one that matters.
    const Control& c = sourceNames_.Count() < 2 ? destVolume_ : srcVolume_;
    if (c.id < 0 || c.values.empty()) return 0;
    std::uint64_t sum = 0;
    for (auto v : c.values) sum += v;
    return static_cast<std::uint32_t>(sum / c.values.size());
}

void RC_AudioMixer::SetVolume(std::uint32_t value) {
    std::lock_guard<RC_Lock> hold(ObjectLock());
    Control& c = sourceNames_.Count() < 2 ? destVolume_ : srcVolume_;
    if (c.id < 0) return;
    std::fill(c.values.begin(), c.values.end(), std::min(value, kMixerVolumeMax));
    Write(c);
}

void RC_AudioMixer::SelectRecordSource(int index, std::uint32_t value) {
    std::lock_guard<RC_Lock> hold(ObjectLock());
    if (!mixer_ || index < 0 || static_cast<std::size_t>(index) >= sourceNames_.Count()) return;
    const char* name = sourceNames_.Item(static_cast<std::size_t>(index));
    if (destSelector_.id >= 0) {
        if (static_cast<std::size_t>(index) >= destSelector_.items.size()) return;
        // Compared in place: the demodulator re-asserts the selection from its audio thread every
        // block, where nothing may be allocated.
        std::vector<std::uint32_t>& values = destSelector_.values;
        auto wanted = [&](std::size_t i) {
            return i < destSelector_.items.size() && destSelector_.items[i] == name ? value : 0u;
        };
        bool same = true;
        for (std::size_t i = 0; same && i < values.size(); ++i) same = values[i] == wanted(i);
        if (same) return; // already so: nothing is written
        for (std::size_t i = 0; i < values.size(); ++i) values[i] = wanted(i);
        Write(destSelector_);
        return;
    }
    // No selector: the chosen line is the only one left unmuted.
    const auto all = mixer_->Destinations();
    const MixerLine* dest = Destination(all);
    if (dest == nullptr) return;
    for (std::size_t i = 0; i < dest->sources.size(); ++i) {
        const MixerControl* mute = FindKind(dest->sources[i], MixerControlKind::Mute);
        if (mute == nullptr) continue;
        mixer_->SetValues(mute->id, std::vector<std::uint32_t>(mute->values.size(),
                                                               i == static_cast<std::size_t>(index) ? 0u : 1u));
    }
}
