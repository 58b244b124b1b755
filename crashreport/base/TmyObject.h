#pragma once
#include <cstdint>

namespace errvane {

// Type ids of the library's classes, as the trace lines and the type registry know them.
enum TypeId : std::uint32_t {
    kTypeObject = 36,
    kTypeBuffer = 71,
    kTypeList = 74,
    kTypeStringList = 82,
    kTypeTimeCounter = 76,
    kTypeFile = 48,
    kTypeApplication = 34,
    kTypeProfiler = 65,
};

// Trace flag bits: bit 0 traces to the debug output, bit 1 also to the trace log and enables the
// shut-down reports.
constexpr std::uint32_t kTraceDebug = 1;
constexpr std::uint32_t kTraceLog = 2;

// Root of the library's classes: carries the trace flags taken at construction and writes trace
// lines.
class TmyObject {
public:
    TmyObject();
    virtual ~TmyObject();
    TmyObject(const TmyObject&) = delete;
    TmyObject& operator=(const TmyObject&) = delete;

    std::uint32_t TraceFlags() const { return traceFlags_; }
    void SetTraceFlags(std::uint32_t flags) { traceFlags_ = flags; }

    // One trace line; a positive indent change applies before the line, a negative one after.
    void Trace(int indentChange, const char* format, ...) const __attribute__((format(printf, 3, 4)));

    // The registered name of this object's class ("Type:<id>" when the id has no name).
    const char* TypeName(char (&scratch)[24]) const;

    static std::uint32_t GlobalTraceFlags();
    static void SetGlobalTraceFlags(std::uint32_t flags);

protected:
    // Called by each constructor with its class id; the registry keeps the class identity.
    void RegisterType(std::uint32_t id);

private:
    std::uint32_t traceFlags_;
    std::uint32_t reserved_ = 0;
};

// The name of a type id: the registered class names, "unknown" for 0, "Type:<id>" otherwise.
const char* TypeIdName(std::uint32_t id, char (&scratch)[24]);

}  // namespace errvane
