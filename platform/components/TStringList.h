#pragma once
// A list of strings that tells its user when it changes (memo lines, list box items, dropped
// file names). Optionally kept sorted, without regard to case.

#include <string>
#include <string_view>
#include <vector>

#include "platform/components/Events.h"

namespace plat::comp {

class TStringList : public TObject {
public:
    const char* ClassName() const override { return "TStringList"; }

    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Strings(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    const std::string& operator[](int index) const { return Strings(index); }
    void SetString(int index, const std::string& s);
    // Answers the index the string went to.
    int Add(const std::string& s);
    void Insert(int index, const std::string& s);
    void Delete(int index);
    void Clear();
    // First index of the string compared without case, or -1.
    int IndexOf(std::string_view s) const;
    bool Sorted() const { return sorted_; }
    void SetSorted(bool v);
    // The strings joined by line ends; setting splits at "\r\n", "\n" or "\r".
    std::string Text() const;
    void SetText(std::string_view text);
    const std::vector<std::string>& Items() const { return items_; }
    void Assign(const TStringList& other);

    // Changes made between BeginUpdate and EndUpdate raise OnChange once at the end.
    void BeginUpdate() { ++updating_; }
    void EndUpdate();
    TNotifyEvent OnChange;

private:
    void Changed();

    std::vector<std::string> items_;
    bool sorted_ = false;
    int updating_ = 0;
    bool pending_ = false;
};

} // namespace plat::comp
