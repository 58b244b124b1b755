// The crash report's costly steps, per call: naming an address (module and nearest export), finding
// the call before a return address, and a code listing of the size the call stack uses.
#include "crashreport/report/AddressText.h"
#include "crashreport/report/CodeListing.h"
#include "crashreport/sys/MemoryMap.h"
#include "crashreport/text/TmyStringList.h"

#include <benchmark/benchmark.h>

#include <dlfcn.h>

using namespace errvane;

namespace {

std::uint64_t LibcAddress() { return reinterpret_cast<std::uintptr_t>(dlsym(RTLD_DEFAULT, "getpid")) + 3; }

void BM_AddressTextInLibc(benchmark::State& state) {
    MemoryMap::Refresh();
    const std::uint64_t address = LibcAddress();
    for (auto _ : state) benchmark::DoNotOptimize(AddressTextShort(address));
}
BENCHMARK(BM_AddressTextInLibc);

void BM_FindCallSite(benchmark::State& state) {
    MemoryMap::Refresh();
    // A return address: the instruction after a call in this program's own code.
    const std::uint64_t returnAddress = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
    for (auto _ : state) benchmark::DoNotOptimize(FindCallSite(returnAddress));
}
BENCHMARK(BM_FindCallSite);

void BM_CallStackListing(benchmark::State& state) {
    MemoryMap::Refresh();
    const std::uint64_t address = LibcAddress();
    for (auto _ : state) {
        TmyStringList list(64, 1000);
        ReportDisassembly(list, address, 0, 30, 5);
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(BM_CallStackListing);

}  // namespace
