#include "crashreport/text/TmyStringList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace errvane {

// An item is the bit pattern of one TmyString value (a single buffer pointer) that owns a reference.
static_assert(sizeof(TmyString) == sizeof(TmyList::Item));

namespace {

TmyString& AsString(TmyList::Item& item) { return *reinterpret_cast<TmyString*>(&item); }
const TmyString& AsString(const TmyList::Item& item) { return *reinterpret_cast<const TmyString*>(&item); }

bool WriteAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

TmyStringList::TmyStringList(std::size_t initialCount, std::size_t maximumCount) : TmyList(initialCount, maximumCount) {
    RegisterType(kTypeStringList);
}

TmyStringList::~TmyStringList() {
    while (Count() > 0) Remove(0);
}

void TmyStringList::SetChangeHandler(ChangeHandler handler, void* context) {
    handler_ = handler;
    handlerContext_ = context;
}

void TmyStringList::Notify() {
    if (handler_ != nullptr) handler_(handlerContext_, *this);
}

int TmyStringList::Add(const TmyString& line, int position) {
    Item item;
    new (&item) TmyString(line);
    const int index = Insert(item, position);
    if (index < 0) {
        AsString(item).~TmyString();
        return -1;
    }
    Notify();
    return index;
}

void TmyStringList::Remove(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= Count()) return;
    Item item = Delete(index);
    AsString(item).~TmyString();
    Notify();
}

TmyString TmyStringList::Line(std::size_t index) const {
    if (index >= Count()) return TmyString();
    return AsString(Items()[index]);
}

const char* TmyStringList::LineText(std::size_t index) const { return AsString(Items()[index]).Text(); }

void TmyStringList::Sort() {
    if (Count() >= 2) QuickSort(0, Count() - 1);
    Notify();
}

void TmyStringList::QuickSort(std::size_t firstIndex, std::size_t lastIndex) {
    // Recurses into the smaller part and loops over the larger, so the depth stays logarithmic.
    long first = static_cast<long>(firstIndex), last = static_cast<long>(lastIndex);
    while (first < last) {
        Item* items = Items();
        const TmyString pivot = AsString(items[first + (last - first) / 2]);
        long i = first, j = last;
        while (i <= j) {
            while (std::strcmp(LineText(static_cast<std::size_t>(i)), pivot.Text()) < 0) ++i;
            while (std::strcmp(LineText(static_cast<std::size_t>(j)), pivot.Text()) > 0) --j;
            if (i <= j) {
                const Item swap = items[i];
                items[i] = items[j];
                items[j] = swap;
                ++i;
                --j;
            }
        }
        if (j - first < last - i) {
            if (first < j) QuickSort(static_cast<std::size_t>(first), static_cast<std::size_t>(j));
            first = i;
        } else {
            if (i < last) QuickSort(static_cast<std::size_t>(i), static_cast<std::size_t>(last));
            last = j;
        }
    }
}

bool TmyStringList::SaveToFile(const char* path, bool append) const {
    char temporary[4096];
    const char* target = path;
    if (!append) {
        const std::size_t length = std::strlen(path);
        if (length + 5 > sizeof temporary) return false;
        std::memcpy(temporary, path, length);
        std::memcpy(temporary + length, ".tmp", 5);
        target = temporary;
    }
    const int fd = open(target, O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0644);
    if (fd < 0) return false;
    bool ok = true;
    for (std::size_t i = 0; i < Count() && ok; ++i) {
        const TmyString& line = AsString(Items()[i]);
        ok = WriteAll(fd, line.Text(), line.Length()) && WriteAll(fd, "\r\n", 2);
    }
    if (close(fd) != 0) ok = false;
    if (!append) {
        if (ok) ok = rename(temporary, path) == 0;
        if (!ok) unlink(temporary);
    }
    return ok;
}

}  // namespace errvane
