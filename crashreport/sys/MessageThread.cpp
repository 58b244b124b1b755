#include "crashreport/sys/MessageThread.h"

#include "crashreport/sys/DebugOutput.h"
#include "crashreport/sys/Futex.h"
#include "crashreport/sys/ThreadIdentity.h"
#include "crashreport/sys/X11MessageBox.h"

#include <atomic>
#include <csignal>
#include <pthread.h>

namespace errvane {
namespace {

enum Request : std::int32_t { kIdle = 0, kShow = 1, kQuit = 2 };

constexpr std::size_t kThreadStack = 512 * 1024;

std::atomic<std::int32_t> g_request{kIdle};
std::atomic<std::int32_t> g_done{0};
std::atomic<long> g_id{0};
const char* g_text = nullptr;
const char* g_caption = nullptr;
pthread_t g_thread;
bool g_running = false;

void ShowMessage() {
    if (X11MessageBox::Show(g_text, g_caption) != X11MessageBox::Result::NoDisplay) return;
    DebugOutput::Write(g_caption);
    DebugOutput::Write(": ");
    DebugOutput::Write(g_text);
    DebugOutput::Write("\n");
}

void* Run(void*) {
    g_id.store(ThreadIdentity::Current());
    Futex::WakeAll(g_done);
    for (;;) {
        const std::int32_t request = g_request.load();
        if (request == kIdle) {
            Futex::Wait(g_request, kIdle);
            continue;
        }
        if (request == kQuit) return nullptr;
        ShowMessage();
        g_done.store(2);
        Futex::WakeAll(g_done);
        return nullptr;
    }
}

}  // namespace

bool MessageThread::Start() {
    if (g_running) return true;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, kThreadStack);
    // Signals meant for the process go to the program's threads, never to this one.
    sigset_t all, previous;
    sigfillset(&all);
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT}) sigdelset(&all, fault);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    g_running = pthread_create(&g_thread, &attributes, Run, nullptr) == 0;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    pthread_attr_destroy(&attributes);
    if (g_running)
        while (g_id.load() == 0) Futex::Wait(g_done, 0, 1000000);
    return g_running;
}

void MessageThread::Stop() {
    if (!g_running) return;
    g_request.store(kQuit);
    Futex::WakeAll(g_request);
    pthread_join(g_thread, nullptr);
    g_running = false;
    g_id.store(0);
    g_request.store(kIdle);
}

long MessageThread::Id() { return g_id.load(); }

bool MessageThread::ShowAndWait(const char* text, const char* caption) {
    if (!g_running) return false;
    g_text = text;
    g_caption = caption;
    g_done.store(1);
    g_request.store(kShow);
    Futex::WakeAll(g_request);
    while (g_done.load() != 2) Futex::Wait(g_done, 1);
    return true;
}

}  // namespace errvane
