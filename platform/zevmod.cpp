#include "zevmod.h"

#include <windows.h>

#include <cstring>

namespace kelocli {

namespace {

constexpr char kSoftwarePrefix[] = "Software\\";
constexpr DWORD kLongestText = 4096;

// Reads the default REG_SZ value of root\subkey into `text`, terminated.
LSTATUS ReadDefaultText(HKEY root, const char* subkey, char* text, DWORD* bytes) {
    return RegGetValueA(root, subkey, nullptr, RRF_RT_REG_SZ, nullptr, text, bytes);
}

}  // namespace

ZevMOD::ZevMOD(const char*) {}
ZevMOD::~ZevMOD() = default;

long RegistrationDataBase::GetValue(const char* key, char* buffer, unsigned long* size,
                                    void* reserved) {
    if (key == nullptr || buffer == nullptr || size == nullptr || reserved != nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    char subkey[MAX_PATH];
    const std::size_t keyLength = std::strlen(key);
    if (sizeof kSoftwarePrefix + keyLength > sizeof subkey) return ERROR_INVALID_PARAMETER;
    std::memcpy(subkey, kSoftwarePrefix, sizeof kSoftwarePrefix - 1);
    std::memcpy(subkey + sizeof kSoftwarePrefix - 1, key, keyLength + 1);

    char text[kLongestText];
    DWORD bytes = sizeof text;
    LSTATUS status = ReadDefaultText(HKEY_CURRENT_USER, subkey, text, &bytes);
    if (status == ERROR_FILE_NOT_FOUND) {  // only a missing per-user value falls back
        bytes = sizeof text;
        status = ReadDefaultText(HKEY_LOCAL_MACHINE, subkey, text, &bytes);
    }
    if (status != ERROR_SUCCESS) return status;
    // RegGetValue counts the terminator it guarantees.
    if (bytes > *size) return ERROR_MORE_DATA;
    std::memcpy(buffer, text, bytes);
    *size = bytes;
    return ERROR_SUCCESS;
}

}  // namespace kelocli
