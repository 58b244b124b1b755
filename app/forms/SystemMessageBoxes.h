#pragma once
// The boxes that code below the user interface raises (the API library's receiver warnings, the
// demodulator's sound-card errors, the plug-in host's refusals) appear as the program's own
// message boxes, so that a user sees why a receiver or a sound card does not work.

namespace lxq {

// Call on the user-interface thread once the window system runs. Boxes raised on that thread are
// shown there and answered by the user; a box raised on another thread is shown on the user
// interface's thread too, while the thread that raised it goes on with the box's default answer.
void InstallSystemMessageBoxes();

} // namespace lxq
