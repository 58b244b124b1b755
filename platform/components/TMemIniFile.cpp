#include "platform/components/TMemIniFile.h"

namespace plat::comp {

TMemIniFile::TMemIniFile(std::string fileName)
    : TIniFile(std::move(fileName)), lines_(TIniFile::Load()) {}

bool TMemIniFile::Save(const plat::sys::ProfileLines& lines) {
    lines_ = lines;
    return true;
}

bool TMemIniFile::UpdateFile() { return TIniFile::Save(lines_); }

} // namespace plat::comp
