#pragma once
// Everything the window system offers, in one include. Callers hold window handles (Hwnd), never
// pointers; every window belongs to the thread that created it, which runs its procedure.

#include "platform/win/BackendChoice.h"
#include "platform/win/CaretApi.h"
#include "platform/win/ClipboardApi.h"
#include "platform/win/CursorApi.h"
#include "platform/win/DropApi.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Messages.h"
#include "platform/win/PaintApi.h"
#include "platform/win/ScreenApi.h"
#include "platform/win/Styles.h"
#include "platform/win/SysColors.h"
#include "platform/win/TimerApi.h"
#include "platform/win/Types.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowApi.h"
