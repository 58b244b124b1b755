#pragma once
#include <cstdint>

namespace errvane {

struct ProcessorContext;
class TmyDwordList;
class TmyStringList;

// Follows the frame-pointer chain from `framePointer`: each frame holds the caller's frame pointer
// and then the return address. The walk ends at a misaligned or unreadable frame, at one that does
// not lie above the previous, or at a return address outside every mapping. Either list may be
// null.
void WalkFrameChain(std::uint64_t framePointer, TmyDwordList* frames, TmyDwordList* returnAddresses);

// Where the call stack of a thread starts: RBP, unless the thread stopped inside the C library or
// the dynamic loader, whose code keeps no frame pointers (RBP then holds anything); there, the
// innermost frame record found on the stack above RSP.
std::uint64_t CallStackStart(const ProcessorContext& context);
// The innermost address at or above `stackPointer` (within 64 kB) that holds a frame record: the
// caller's frame pointer followed by a return address just after a call. One heading a chain of
// at least two frames wins over one that heads a single frame (which may be a saved register that
// only looks like a frame); 0 when there is none.
std::uint64_t FindFrameRecord(std::uint64_t stackPointer);

// The innermost word at or above `stackPointer` (within 64 kB) that is a return address just
// after a call into code outside the C library and the dynamic loader; 0 when there is none.
std::uint64_t FindOwnReturnAddress(std::uint64_t stackPointer);

// One block per frame of the chain, innermost first, indexed from 1.
void ReportCallStack(TmyStringList& list, std::uint64_t framePointer);
// The block of one frame: the call site, the frame's local data and the code before the return.
void ReportStackFrame(TmyStringList& list, std::uint64_t framePointer, int index);

}  // namespace errvane
