#include "update/versions.h"

namespace vantrel {

std::wstring VersionFilePath(const ProgramFiles& files) {
    const std::wstring program = files.programPath();
    const std::wstring candidate = program.substr(0, program.find_last_of(L"\\/") + 1) + L"version.exe";
    return files.fileExists(candidate) ? candidate : program;
}

std::optional<FileVersion> ProgramVersion(const ProgramFiles& files) {
    return files.fileVersion(VersionFilePath(files));
}

std::wstring FullVersionText(const std::optional<FileVersion>& v) {
    if (!v)
        return {};
    return std::to_wstring(v->major) + L"." + std::to_wstring(v->minor) + L"." + std::to_wstring(v->release) +
           L"." + std::to_wstring(v->build);
}

std::wstring MajorVersionText(const std::optional<FileVersion>& v) {
    return v ? std::to_wstring(v->major) : std::wstring();
}

std::wstring VersionText(const std::optional<FileVersion>& v) {
    if (!v)
        return {};
    std::wstring text =
        std::to_wstring(v->major) + L"." + std::to_wstring(v->minor) + std::to_wstring(v->release);
    if (const int letter = v->build % 10; letter != 0)
        text += static_cast<wchar_t>(L'c' + letter - 1);
    return text;
}

std::wstring VersionText(const ProgramFiles& files) {
    return VersionText(ProgramVersion(files));
}

std::wstring BuildDateText(uint32_t timeStamp, const MonthNames& months) {
    // Days since 1970 to a civil date (proleptic Gregorian).
    const int64_t z = int64_t(timeStamp / 86400) + 719468;
    const int64_t era = z / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return months[size_t(month - 1)] + L" " + std::to_wstring(day) + L", " + std::to_wstring(year);
}

std::wstring BuildDateText(const ProgramFiles& files, const MonthNames& months) {
    const auto stamp = files.linkTimeStamp(files.programPath());
    return stamp ? BuildDateText(*stamp, months) : std::wstring();
}

std::optional<uint32_t> PeTimeDateStamp(std::string_view head) {
    auto read32 = [&](size_t at) -> std::optional<uint32_t> {
        if (at > head.size() || head.size() - at < 4)
            return std::nullopt;
        const auto* b = reinterpret_cast<const unsigned char*>(head.data() + at);
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    };
    if (head.size() < 2 || head[0] != 'M' || head[1] != 'Z')
        return std::nullopt;
    const auto peOffset = read32(0x3C);
    if (!peOffset || *peOffset > head.size())
        return std::nullopt;
    if (head.substr(*peOffset, 4) != std::string_view("PE\0\0", 4))
        return std::nullopt;
    return read32(size_t(*peOffset) + 8);
}

}  // namespace vantrel
