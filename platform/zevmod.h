// ZevMOD: the module library's handle on the registry texts of a product.
//
// RegistrationDataBase::GetValue reads the default (unnamed) REG_SZ value of
// HKEY_CURRENT_USER\Software\<key>, falling back to HKEY_LOCAL_MACHINE\Software\<key>.
#ifndef KELOCLI_PLATFORM_ZEVMOD_H
#define KELOCLI_PLATFORM_ZEVMOD_H

namespace kelocli {

class RegistrationDataBase {
  public:
    // Returns 0 and the text in `buffer` when the value exists and fits `*size` bytes with its
    // terminator (`*size` then holds the bytes stored, terminator included). Returns non-zero
    // otherwise, leaving `buffer` untouched: a value that does not fit is not returned at all.
    // `reserved` must be null.
    long GetValue(const char* key, char* buffer, unsigned long* size, void* reserved);
};

class ZevMOD : public RegistrationDataBase {
  public:
    // `moduleName` names the module whose texts are read; null means the calling process.
    explicit ZevMOD(const char* moduleName);
    ~ZevMOD();
    ZevMOD(const ZevMOD&) = delete;
    ZevMOD& operator=(const ZevMOD&) = delete;
};

}  // namespace kelocli

#endif
