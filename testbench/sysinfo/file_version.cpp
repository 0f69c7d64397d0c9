#include "testbench/sysinfo/file_version.h"

#include <sys/stat.h>
#include <unistd.h>

#include "testbench/sysinfo/account_text.h"

namespace sysunits {

std::optional<std::string> QueryVersionString(const VersionResource& resource,
                                              std::string_view subBlock) {
    for (const auto& [path, value] : resource.strings)
        if (path == subBlock) return value;
    return std::nullopt;
}

bool FillFileVersionRecord(std::string_view fileName, const VersionResource* resource,
                           FileVersionRecord& record) {
    record = FileVersionRecord{};
    record.fileName = std::string(fileName);
    if (resource == nullptr) return false;

    const VersionParts file = SplitVersion(resource->fileVersionMS, resource->fileVersionLS);
    record.fileVersionMajor = file.major;
    record.fileVersionMinor = file.minor;
    record.fileVersionRelease = file.release;
    record.fileVersionBuild = file.build;
    const VersionParts product =
        SplitVersion(resource->productVersionMS, resource->productVersionLS);
    record.productVersionMajor = product.major;
    record.productVersionMinor = product.minor;
    record.productVersionRelease = product.release;
    record.productVersionBuild = product.build;

    if (resource->translations.empty()) return true;
    const std::string prefix =
        "\\StringFileInfo\\" + TranslationText(resource->translations.front()) + "\\";
    const std::pair<const char*, std::string FileVersionRecord::*> keys[] = {
        {"ProductVersion", &FileVersionRecord::productVersion},
        {"FileVersion", &FileVersionRecord::fileVersion},
        {"FileDescription", &FileVersionRecord::description},
        {"LegalCopyright", &FileVersionRecord::copyright},
        {"Comments", &FileVersionRecord::comments},
        {"SpecialBuild", &FileVersionRecord::specialBuild},
        {"ProductName", &FileVersionRecord::productName},
        {"CompanyName", &FileVersionRecord::companyName},
        {"InternalName", &FileVersionRecord::internalName},
    };
    for (const auto& [key, field] : keys)
        if (auto value = QueryVersionString(*resource, prefix + key)) record.*field = *value;
    return true;
}

std::string ProgramFileName() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return buffer;
        }
        buffer.resize(NextBufferSize(buffer.size(), 0));
    }
}

bool ReadFileVersionRecord(std::string_view fileName, FileVersionRecord& record) {
    const std::string name(fileName);
    struct stat file {};
    struct stat self {};
    const bool isProgram = !name.empty() && stat(name.c_str(), &file) == 0 &&
                           stat("/proc/self/exe", &self) == 0 && file.st_dev == self.st_dev &&
                           file.st_ino == self.st_ino;
    return FillFileVersionRecord(fileName, isProgram ? &ProgramVersionResource() : nullptr, record);
}

}  // namespace sysunits
