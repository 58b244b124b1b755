#pragma once
// The input query: a modal dialog asking for one line of text.

#include <string>

#include "platform/components/TForm.h"

namespace plat::comp {

class TEdit;

class TInputQueryForm : public TForm {
public:
    TInputQueryForm(TComponent* owner, const std::string& caption, const std::string& prompt,
                    const std::string& value);
    const char* ClassName() const override { return "TInputQueryForm"; }

    TEdit& Edit() { return *edit_; }

private:
    TEdit* edit_;
};

// Asks for a text; true (and `value` replaced) when the user pressed OK, false (and `value`
// unchanged) otherwise.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
// The text entered, or `defaultValue` when cancelled.
std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultValue);

} // namespace plat::comp
