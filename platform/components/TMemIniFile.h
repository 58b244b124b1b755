#pragma once
// An INI file read whole when it is opened, changed in memory and written back whole by
// UpdateFile (through a temporary file and a rename, like TIniFile). Many values change in one
// write, and lines the program does not know (other sections, comments) survive.

#include "platform/components/TIniFile.h"

namespace plat::comp {

class TMemIniFile : public TIniFile {
public:
    explicit TMemIniFile(std::string fileName);
    const char* ClassName() const override { return "TMemIniFile"; }

    // Writes the lines to the file. False when that failed; the file is then as it was.
    bool UpdateFile();

protected:
    plat::sys::ProfileLines Load() const override { return lines_; }
    bool Save(const plat::sys::ProfileLines& lines) override;

private:
    plat::sys::ProfileLines lines_;
};

} // namespace plat::comp
