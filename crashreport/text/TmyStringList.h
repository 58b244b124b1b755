#pragma once
#include "crashreport/base/TmyList.h"
#include "crashreport/text/TmyString.h"

namespace errvane {

// A list of text lines: each item holds one reference to a string's buffer. Every section of the
// report appends whole lines to one list, which is written to the file in one go.
class TmyStringList : public TmyList {
public:
    using ChangeHandler = void (*)(void* context, TmyStringList& list);

    TmyStringList(std::size_t initialCount, std::size_t maximumCount);
    ~TmyStringList() override;

    // Stores the line at the position (-1 appends); the index, or -1 when the list is full.
    int Add(const TmyString& line, int position = -1);
    void Remove(int index);
    // The line at the index, empty for an index out of range.
    TmyString Line(std::size_t index) const;
    // Ascending unsigned byte order.
    void Sort();
    // Writes every line followed by CR LF. Without append the file is replaced as a whole: the
    // lines go to a temporary file first, which then takes the name, so a failure keeps the old
    // file. True on success.
    bool SaveToFile(const char* path, bool append) const;

    void SetChangeHandler(ChangeHandler handler, void* context);

private:
    void Notify();
    void QuickSort(std::size_t first, std::size_t last);
    const char* LineText(std::size_t index) const;

    ChangeHandler handler_ = nullptr;
    void* handlerContext_ = nullptr;
};

}  // namespace errvane
