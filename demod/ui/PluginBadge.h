#pragma once
// The plug-in's small picture, shown on the setup window and in the about box.

#include "demod/ui/toolkit/RC_Image.h"

#include <memory>

std::unique_ptr<RC_Image> MakePluginBadge();
