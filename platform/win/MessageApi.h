#pragma once
// Posting, sending, getting and dispatching messages. Each user-interface thread has its own
// queue; a window's messages are handled on the thread that created it.

#include <cstdint>

#include "platform/win/Messages.h"
#include "platform/win/Types.h"

namespace plat::win {

// Queues a message for the window's thread and wakes it; callable from any thread. hwnd 0 posts to
// the calling thread itself, HWND_BROADCAST to every top-level window. False for an unknown
// window, a thread that has ended, or a full queue (10,000 messages not yet taken).
bool PostMessage(Hwnd hwnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
// Queues a message without window for the given thread (GetCurrentThreadId() of that thread).
bool PostThreadMessage(std::uint32_t threadId, std::uint32_t msg, WParam wParam, LParam lParam);
// Asks the calling thread's loop to end; GetMessage answers false once the posted messages are done.
void PostQuitMessage(int exitCode);
// Runs the window procedure and returns its answer. On another thread's window the call waits
// until that thread handles it (while waiting, messages sent to the calling thread are handled).
// 0 for an unknown window.
LResult SendMessage(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam);
// True while the calling thread handles a message sent from another thread.
bool InSendMessage();

// Waits for the next message (filtered by window and message range; 0, 0, 0 = all) and takes it.
// False for WM_QUIT (msg->wParam holds the exit code).
bool GetMessage(Msg* msg, Hwnd hwnd, std::uint32_t msgMin, std::uint32_t msgMax);
// Like GetMessage without waiting; PM_REMOVE takes the message. False when none is there.
bool PeekMessage(Msg* msg, Hwnd hwnd, std::uint32_t msgMin, std::uint32_t msgMax, std::uint32_t options);
// Waits until the calling thread has something to handle.
void WaitMessage();
// Calls the window procedure (or the timer callback) for a message taken from the queue.
LResult DispatchMessage(const Msg& msg);
// Adds WM_CHAR for a key press that produces a character. True when it added one.
bool TranslateMessage(const Msg& msg);
// Time of the last message taken by this thread, in milliseconds of the active clock.
std::uint32_t GetMessageTime();

// The calling thread's id as the window system uses it (also for PostThreadMessage).
std::uint32_t GetCurrentThreadId();

} // namespace plat::win
