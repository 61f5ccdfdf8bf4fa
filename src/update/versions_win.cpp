#include "update/versions.h"

#include <windows.h>

#include <vector>

#include "platform/handles_win.h"
#include "platform/system.h"

namespace vantrel {

namespace {
class WinProgramFiles final : public ProgramFiles {
  public:
    std::wstring programPath() const override { return executablePath(); }

    bool fileExists(const std::wstring& path) const override {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    std::optional<FileVersion> fileVersion(const std::wstring& path) const override {
        DWORD ignored = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
        if (size == 0)
            return std::nullopt;
        std::vector<unsigned char> block(size);
        if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
            return std::nullopt;
        VS_FIXEDFILEINFO* info = nullptr;
        UINT length = 0;
        if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
            length < sizeof(VS_FIXEDFILEINFO))
            return std::nullopt;
        return FileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                           HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
    }

    std::optional<uint32_t> linkTimeStamp(const std::wstring& path) const override {
        FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return std::nullopt;
        // The headers lie in the first page of every image the linkers write.
        std::string head(4096, '\0');
        DWORD read = 0;
        if (!::ReadFile(file.get(), head.data(), static_cast<DWORD>(head.size()), &read, nullptr))
            return std::nullopt;
        head.resize(read);
        return PeTimeDateStamp(head);
    }
};
}  // namespace

const ProgramFiles& systemProgramFiles() {
    static const WinProgramFiles files;
    return files;
}

MonthNames userMonthNames() {
    MonthNames names;
    for (int i = 0; i < 12; ++i) {
        wchar_t name[80] = {};
        if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SMONTHNAME1 + i, name, 80) > 0)
            names[size_t(i)] = name;
    }
    return names;
}

}  // namespace vantrel
