#include "files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "host_error.h"

namespace {
// Beyond this a file is not something ruckhost should hold in memory.
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t(1) << 31;

std::string Reason(int code)
{
    return std::strerror(code);
}
}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        throw HostError("cannot read " + path + ": it is a directory");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw HostError("cannot open " + path + ": " + Reason(errno));
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) {
        throw HostError("cannot read " + path);
    }
    if (static_cast<std::uintmax_t>(size) > kMaxFileBytes) {
        throw HostError(path + " is too large (over 2 GiB)");
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0, std::ios::beg);
    if (!bytes.empty() && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        throw HostError("cannot read " + path);
    }
    return bytes;
}

void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw HostError("cannot create " + path + ": " + Reason(errno));
        }
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::remove(partial.c_str());
            throw HostError("cannot write " + path + " (disk full?)");
        }
    }
    std::error_code ec;
    std::filesystem::rename(partial, path, ec);
    if (ec) {
        std::remove(partial.c_str());
        throw HostError("cannot write " + path + ": " + ec.message());
    }
}
