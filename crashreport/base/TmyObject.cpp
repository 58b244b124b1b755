#include "crashreport/base/TmyObject.h"

#include "crashreport/base/TraceSink.h"
#include "crashreport/base/TypeRegistry.h"
#include "crashreport/sys/ThreadIdentity.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <typeinfo>

namespace errvane {
namespace {

std::atomic<std::uint32_t> g_traceFlags{0};

// Shared between tracing threads without a lock: the values only shape the text of a line.
std::atomic<unsigned> g_sequence{0};
std::atomic<int> g_indent{0};
std::atomic<long> g_firstTracer{0};
std::atomic<bool> g_multiThread{false};
std::atomic<std::uint64_t> g_lastTraceMs{0};

constexpr int kMaxIndent = 500;
constexpr std::size_t kMaxMessage = 1024;

std::uint64_t NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

void AddIndent(int change) {
    int indent = g_indent.load();
    int next;
    do {
        next = indent + change;
        if (next > kMaxIndent) next = kMaxIndent;
        if (next < 0) next = 0;
    } while (!g_indent.compare_exchange_weak(indent, next));
}

}  // namespace

TmyObject::TmyObject() : traceFlags_(g_traceFlags.load()) { RegisterType(kTypeObject); }

TmyObject::~TmyObject() = default;

std::uint32_t TmyObject::GlobalTraceFlags() { return g_traceFlags.load(); }

void TmyObject::SetGlobalTraceFlags(std::uint32_t flags) { g_traceFlags.store(flags); }

void TmyObject::RegisterType(std::uint32_t id) { TypeRegistry::Register(&typeid(*this), id); }

const char* TmyObject::TypeName(char (&scratch)[24]) const {
    return TypeIdName(TypeRegistry::Find(&typeid(*this)), scratch);
}

void TmyObject::Trace(int indentChange, const char* format, ...) const {
    if (traceFlags_ == 0) return;
    const long self = ThreadIdentity::Current();
    long expected = 0;
    if (!g_firstTracer.compare_exchange_strong(expected, self) && expected != self)
        g_multiThread.store(true);
    if (indentChange > 0) AddIndent(indentChange);

    char message[kMaxMessage + 3];
    int indent = g_indent.load();
    if (indent > static_cast<int>(kMaxMessage)) indent = kMaxMessage;
    std::memset(message, ' ', static_cast<std::size_t>(indent));
    va_list args;
    va_start(args, format);
    std::vsnprintf(message + indent, kMaxMessage + 1 - static_cast<std::size_t>(indent), format, args);
    va_end(args);
    std::strcat(message, "\r\n");

    const std::uint64_t now = NowMs();
    const std::uint64_t last = g_lastTraceMs.exchange(now);
    const unsigned sinceLast = last == 0 ? 0u : static_cast<unsigned>(now - last);
    char typeScratch[24];
    const char* typeName = TypeName(typeScratch);
    char line[kMaxMessage + 128];
    int length;
    if (g_multiThread.load())
        length = std::snprintf(line, sizeof line, "%4u: [%8u]\t<%10s:%p-%6lx>\t%s", g_sequence.fetch_add(1),
                               sinceLast, typeName, static_cast<const void*>(this),
                               static_cast<unsigned long>(self), message);
    else
        length = std::snprintf(line, sizeof line, "%4u: [%8u]\t<%10s:%p>\t%s", g_sequence.fetch_add(1),
                               sinceLast, typeName, static_cast<const void*>(this), message);
    if (length > static_cast<int>(sizeof line) - 1) length = sizeof line - 1;
    if (length > 0) TraceSink::Write(line, static_cast<std::size_t>(length), (traceFlags_ & kTraceDebug) != 0);
    if (indentChange < 0) AddIndent(indentChange);
}

const char* TypeIdName(std::uint32_t id, char (&scratch)[24]) {
    switch (id) {
    case 0: return "unknown";
    case kTypeObject: return "Object";
    case kTypeBuffer: return "Buffer";
    case kTypeList: return "List";
    case kTypeStringList: return "StringList";
    case kTypeTimeCounter: return "TimeCounter";
    case kTypeFile: return "File";
    case kTypeApplication: return "Application";
    case kTypeProfiler: return "Profiler";
    default: std::snprintf(scratch, sizeof scratch, "Type:%u", id); return scratch;
    }
}

}  // namespace errvane
