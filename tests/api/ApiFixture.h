#pragma once
// A library instance of its own for one test: a fresh object namespace (so the shared table is
// new), a settings file in a temporary folder, and a fake device provider.

#include "api/ReceiverApi.h"
#include "tests/api/FakeReceiver.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"

#include <gtest/gtest.h>
#include <memory>

namespace lxq::api::testing {

// Fields of the packed shared table are compared by value: a reference bound to one (as the
// assertion macros take their arguments) would be misaligned.
template <typename T> constexpr T Read(T value) { return value; }

class ApiFixture : public ::testing::Test {
protected:
    // Adds a present device (listed at Load(); afterwards only openable, as after an arrival).
    std::shared_ptr<FakeReceiverState> AddDevice(const std::string& path) {
        return provider ? provider->Add(path) : provider_->Add(path);
    }
    ReceiverApi& Load() {
        RadioLibrary::Options options;
        provider = provider_.get();
        options.devices = std::move(provider_);
        options.configPath = dir.File("LXQ745.INI");
        api = std::make_unique<ReceiverApi>(std::move(options));
        return *api;
    }
    RadioControl& Ctl() { return api->Control(); }
    RadioLibrary& Lib() { return api->Library(); }

    plat::sys::test::ScopedChannelNamespace ns{"api"}; // outlives the library below
    plat::sys::testing::TempFolder dir;
    FakeProvider* provider = nullptr;
    std::unique_ptr<ReceiverApi> api;

private:
    std::unique_ptr<FakeProvider> provider_ = std::make_unique<FakeProvider>();
};

// The same with one real receiver present at load, serial number "SN000001".
class OneReceiverFixture : public ApiFixture {
protected:
    static constexpr const char* kPath = "/dev/lxq745/0";
    void SetUp() override {
        ApiFixture::SetUp();
        device = AddDevice(kPath);
    }
    std::shared_ptr<FakeReceiverState> device;
};

} // namespace lxq::api::testing
