#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The four numbers of a version resource's fixed file version, most significant first.
struct FileVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t release = 0;
    uint16_t build = 0;

    bool operator==(const FileVersion&) const = default;
};

// What the version texts read from the files of the program.
class ProgramFiles {
  public:
    virtual ~ProgramFiles() = default;
    // The full path of the running executable.
    virtual std::wstring programPath() const = 0;
    virtual bool fileExists(const std::wstring& path) const = 0;
    // The fixed file version of the file's version resource; none without one.
    virtual std::optional<FileVersion> fileVersion(const std::wstring& path) const = 0;
    // The link time stamp in the file's PE header (seconds since 1 January 1970 UTC).
    virtual std::optional<uint32_t> linkTimeStamp(const std::wstring& path) const = 0;
};

// The real files; its programPath is this process's executable.
const ProgramFiles& systemProgramFiles();

// "version.exe" in the program's folder when that file exists, else the program itself.
std::wstring VersionFilePath(const ProgramFiles& files);
// The version of VersionFilePath's file; none when it has no version resource.
std::optional<FileVersion> ProgramVersion(const ProgramFiles& files);

// "3.0.0.120"; empty without a version.
std::wstring FullVersionText(const std::optional<FileVersion>& version);
// "3"; empty without a version.
std::wstring MajorVersionText(const std::optional<FileVersion>& version);
// The version as the window caption and the About page show it: major, ".", minor and release
// written together, then "c" to "k" for a build number ending in 1 to 9 (3.5.5.102 gives 3.55d).
// Empty without a version.
std::wstring VersionText(const std::optional<FileVersion>& version);
std::wstring VersionText(const ProgramFiles& files);

// The twelve month names of the user's locale, January first.
using MonthNames = std::array<std::wstring, 12>;
MonthNames userMonthNames();

// A link time stamp as "mmmm d, yyyy": the UTC day of the stamp, e.g. "March 5, 2024".
std::wstring BuildDateText(uint32_t timeStamp, const MonthNames& months);
// The build date of the program's own executable; empty when its header cannot be read.
std::wstring BuildDateText(const ProgramFiles& files, const MonthNames& months);

// TimeDateStamp of a PE file's COFF header, from the file's first bytes; none when the bytes are
// not a PE image or too short to hold its header.
std::optional<uint32_t> PeTimeDateStamp(std::string_view fileHead);

}  // namespace vantrel
