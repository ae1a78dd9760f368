// Opens a file named by a UTF-8 path (wide-character open on Windows).
#pragma once

#include <cstdio>

std::FILE* OpenUtf8File(const char* utf8Path, const char* mode);
