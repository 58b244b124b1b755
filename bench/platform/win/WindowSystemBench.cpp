// Costs of the window system's hot paths: posting and taking messages, repainting a window tree,
// and composing the screen.

#include <benchmark/benchmark.h>

#include "platform/win/MessageApi.h"
#include "platform/win/PaintApi.h"
#include "platform/win/ScreenApi.h"
#include "platform/win/WindowApi.h"

namespace plat::win {
namespace {

LResult FillProc(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    if (msg != WM_PAINT) return DefWindowProc(hwnd, msg, wParam, lParam);
    PaintStruct ps;
    gdi::DC* dc = BeginPaint(hwnd, &ps);
    Rect client;
    GetClientRect(hwnd, &client);
    if (dc) dc->FillRect(client, gdi::Brush::Solid(static_cast<gdi::ColorRef>(hwnd * 2654435761u) & 0xFFFFFF));
    EndPaint(hwnd, &ps);
    return 0;
}

void RegisterFill() {
    static const bool done = [] {
        WindowClass cls;
        cls.name = "BenchFill";
        cls.proc = &FillProc;
        return RegisterClass(cls);
    }();
    (void)done;
}

void Pump() {
    Msg msg;
    while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessage(msg);
}

void BM_PostAndDispatch(benchmark::State& state) {
    const Hwnd hwnd = CreateMessageWindow(nullptr);
    for (auto _ : state) {
        PostMessage(hwnd, WM_USER, 1, 2);
        Msg msg;
        PeekMessage(&msg, 0, 0, 0, PM_REMOVE);
        DispatchMessage(msg);
    }
    DestroyWindow(hwnd);
}
BENCHMARK(BM_PostAndDispatch);

// A form of 640 x 480 with a grid of child controls, the shape of the program's main window.
void BM_RepaintFormWithChildren(benchmark::State& state) {
    RegisterFill();
    const int perSide = static_cast<int>(state.range(0));
    const Hwnd form = CreateWindowEx(0, "BenchFill", "", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, 0, 0, 0);
    for (int i = 0; i < perSide; ++i)
        for (int j = 0; j < perSide; ++j)
            CreateWindowEx(0, "BenchFill", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 4 + i * (632 / perSide),
                           4 + j * (472 / perSide), 632 / perSide - 4, 472 / perSide - 4, form, 0, 0);
    Pump();
    for (auto _ : state) {
        RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME | RDW_ERASE);
        Pump();
    }
    state.counters["windows"] = perSide * perSide + 1;
    DestroyWindow(form);
}
BENCHMARK(BM_RepaintFormWithChildren)->Arg(4)->Arg(8);

void BM_ComposeScreen(benchmark::State& state) {
    RegisterFill();
    const Hwnd a = CreateWindowEx(0, "BenchFill", "", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, 0, 0, 0);
    const Hwnd b = CreateWindowEx(0, "BenchFill", "", WS_POPUP | WS_VISIBLE, 300, 200, 640, 480, 0, 0, 0);
    Pump();
    for (auto _ : state) benchmark::DoNotOptimize(ComposeScreen());
    DestroyWindow(a);
    DestroyWindow(b);
}
BENCHMARK(BM_ComposeScreen);

} // namespace
} // namespace plat::win
