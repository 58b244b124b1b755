#pragma once
// The plug-in's live instances, newest last. Changed and walked only on the host's user-interface
// thread, so it takes no lock. The host may pass on notifications from other threads (it hands
// every audio block a plug-in gives it to all plug-ins, on that plug-in's audio thread); no
// instance acts on those codes, so their dispatch returns before it reads the list.

#include <cstdint>

class DemodWindow;

namespace DemodInstances {

// False when the list cannot grow: the window is then not listed.
bool Add(DemodWindow* window);
// Removes every entry equal to `window`; the list is freed when it becomes empty.
void Remove(DemodWindow* window);
std::uint32_t Count();
// Destroys every instance still live, newest first (the plug-in is about to be unloaded, and its
// windows must not outlive its code).
void DestroyAll();
// True while the list holds storage (it does exactly while an instance lives).
bool Allocated();
// While an instance is being built, the host may already notify (answering the requests the
// instance makes as it starts): those notifications are kept, in order, and handed to the new
// instance once it is listed, as if it had heard them then. Notifications for the receivers of
// instances already listed reach them at once.
void BeginStart(std::uint32_t receiver);
// Lists the new instance and hands it what came while it was built. False when the list cannot
// grow: the window is not listed and what came is dropped.
bool FinishStart(DemodWindow* window);
// The start failed: what came while it ran is dropped.
void AbandonStart();
// Offers a notification to the instances from the newest to the oldest, up to the first that takes it.
void Dispatch(std::uint32_t receiver, std::uint32_t code, std::uint32_t dwParam, std::uint32_t cbData, void* lpData);

} // namespace DemodInstances
