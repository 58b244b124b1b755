#pragma once
// INI-file access: "[section]" and "key=value" lines, section and key names compared without
// case, read and edited by plat::sys::ProfileLines. Every call reads the file as it is on disk
// now, and every write rewrites the whole file through a temporary file and a rename: another
// program's sections and comments survive, a crash mid-write keeps the old content, and a failed
// write leaves the file as it was. Lines are written with CR LF ends.

#include <string>
#include <vector>

#include "platform/components/TObject.h"
#include "platform/sys/ProfileLines.h"

namespace plat::comp {

class TIniFile : public TObject {
public:
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    const char* ClassName() const override { return "TIniFile"; }
    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    // Decimal, or hexadecimal with "0x" or "$"; the fallback for a missing or malformed value.
    int ReadInteger(const std::string& section, const std::string& key, int fallback) const;
    // "0" is false, any other value true.
    bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;
    double ReadFloat(const std::string& section, const std::string& key, double fallback) const;

    // False when the file could not be written, or when a name or value would not read back as
    // written (line breaks, "=" in a key, "]" in a section name); the file is then unchanged.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInteger(const std::string& section, const std::string& key, int value);
    bool WriteBool(const std::string& section, const std::string& key, bool value);
    bool WriteFloat(const std::string& section, const std::string& key, double value);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::vector<std::string> ReadSections() const;
    // The keys of a section, in file order.
    std::vector<std::string> ReadSection(const std::string& section) const;
    bool EraseSection(const std::string& section);
    bool DeleteKey(const std::string& section, const std::string& key);

protected:
    // The file's lines, and writing them back whole; TMemIniFile keeps them in memory instead.
    virtual plat::sys::ProfileLines Load() const;
    virtual bool Save(const plat::sys::ProfileLines& lines);

private:
    std::string fileName_;
};

} // namespace plat::comp
