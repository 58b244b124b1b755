// What the demodulator window's benchmarks stand in for: the host program, answering as a
// receiver that is on and not scanning, a sound card of files in a folder of its own, and the
// window of a demonstration PCI receiver playing through it.
#pragma once

#include "demod/ui/DemodWindow.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/audio/WavFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace bench_demod {

inline std::int32_t Host(std::int32_t, std::uint32_t code, std::uint32_t dwParam, std::uint32_t, void*) {
    // A receiver that is on and not scanning; every other query and command is answered with 0.
    return code == KVR_CB_GET_SETTING && dwParam == KVR_NOTIFY_POWER ? 1 : 0;
}

// A sound card of files in a folder of its own, removed afterwards.
struct FileCard {
    FileCard() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lxqbench.XXXXXX").string();
        folder = mkdtemp(pattern.data());
        plat::audio::WavWriter empty;
        empty.Open(folder + "/in.wav", plat::audio::MakePcmFormat(2, 16, 48000));
        empty.Close();
        backend->AddDevice(plat::audio::Direction::Capture, "Line In", folder + "/in.wav");
        backend->AddDevice(plat::audio::Direction::Playback, "Speakers", folder + "/out.wav");
    }
    ~FileCard() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::string folder;
    std::shared_ptr<plat::audio::FileAudioBackend> backend = std::make_shared<plat::audio::FileAudioBackend>();
    plat::audio::ScopedAudioBackend scope{backend};
};

// The demodulator window of a demonstration PCI receiver (no receiver library) on `card`.
struct DemoWindow {
    DemoWindow(const FileCard& card, std::uint32_t receiver) {
        const std::uint32_t size = 400;
        std::memcpy(caps.data(), &size, 4);
        std::memcpy(caps.data() + 4, &size, 4);
        std::strcpy(reinterpret_cast<char*>(caps.data() + 12), "Talvenor Communications");
        std::strcpy(reinterpret_cast<char*>(caps.data() + 44), "Q7PCIv1-demo");
        const std::string noLibrary = card.folder + "/none.so";
        window = std::make_unique<DemodWindow>(receiver, caps.data(), &Host, &mask, DemodWindow::kPci, noLibrary.c_str());
    }
    std::vector<unsigned char> caps = std::vector<unsigned char>(400, 0);
    std::uint32_t mask = 0;
    std::unique_ptr<DemodWindow> window;
};

}  // namespace bench_demod
