#include "demod/ui/toolkit/RC_SortedItems.h"

#include <string>

long RC_AddSortedItem(RC_StringList& items, const char* text, int& selected) {
    if (text == nullptr) return -1;
    const char* current = selected >= 0 ? items.Item(static_cast<std::size_t>(selected)) : nullptr;
    const std::string selectedText = current != nullptr ? current : "";
    if (!items.Add(text)) return -1;
    if (current != nullptr) selected = static_cast<int>(items.Find(selectedText.c_str()));
    const long at = items.Find(text);
    return at >= 0 ? at : static_cast<long>(items.Count()) - 1;
}
