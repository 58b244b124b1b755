#pragma once
// Items of the list and combo widgets: a sorted list of texts in which one item may be selected.

#include "demod/dsp/RC_StringList.h"

// Adds a copy of `text` to the sorted `items`; `selected` (-1 for none) is moved to where its
// text went. Answers the new item's index, or -1 when nothing was added.
long RC_AddSortedItem(RC_StringList& items, const char* text, int& selected);
