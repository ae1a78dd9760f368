#include "utf8_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

std::FILE* OpenUtf8File(const char* utf8Path, const char* mode)
{
#ifdef _WIN32
    wchar_t widePath[2048];
    wchar_t wideMode[8];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Path, -1, widePath, 2048) > 0 &&
        MultiByteToWideChar(CP_UTF8, 0, mode, -1, wideMode, 8) > 0) {
        if (std::FILE* file = _wfopen(widePath, wideMode)) {
            return file;
        }
    }
#endif
    return std::fopen(utf8Path, mode);
}
