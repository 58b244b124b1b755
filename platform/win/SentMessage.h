#pragma once
// A message sent to a window of another thread: the sender waits until the owner has run the
// window procedure and stored the answer here.

#include <atomic>
#include <memory>

#include "platform/win/Types.h"

namespace plat::win {

class MessageQueue;

struct SentMessage {
    Msg msg;
    LResult result = 0;
    std::atomic<bool> done{false};
    std::weak_ptr<MessageQueue> replyTo; // the sender's queue, woken when done
};

} // namespace plat::win
