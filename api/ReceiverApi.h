#pragma once
// The library as one object per process: the table and opening, the control exports, the block
// scanner, the device-change handler and one spectrum inverter per receiver. The exported C
// functions forward to the process's instance; tests build their own instances.

#include "api/BlockScanner.h"
#include "api/CodecStream.h"
#include "api/DeviceChangeHandler.h"
#include "api/RadioControl.h"
#include "api/RadioLibrary.h"
#include "api/SpectrumInverter.h"

#include <array>

namespace lxq::api {

class ReceiverApi {
public:
    explicit ReceiverApi(RadioLibrary::Options options = {});
    // Ends device notices and scan threads before the parts they call into go away.
    ~ReceiverApi();
    ReceiverApi(const ReceiverApi&) = delete;
    ReceiverApi& operator=(const ReceiverApi&) = delete;

    RadioLibrary& Library() { return library_; }
    RadioControl& Control() { return control_; }
    BlockScanner& Scanner() { return scanner_; }
    DeviceChangeHandler& DeviceChanges() { return deviceChanges_; }
    CodecStream& Codec() { return codec_; }

    std::int32_t InvertSpectrum(std::int32_t index, std::int16_t* samples, std::size_t count,
                                float sampleRate, std::size_t bitsPerSample, std::int32_t invert);

private:
    RadioLibrary library_;
    RadioControl control_{library_};
    BlockScanner scanner_{library_, control_};
    DeviceChangeHandler deviceChanges_{library_, control_};
    CodecStream codec_{library_};
    std::array<SpectrumInverter, kRadioCount> inverters_;
};

} // namespace lxq::api
