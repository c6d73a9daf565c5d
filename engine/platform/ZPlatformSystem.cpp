#include "engine/platform/ZPlatformSystem.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace plat
{
namespace
{
// MemAvailable from /proc/meminfo counts reclaimable cache, which sysinfo's free count does not.
bool ReadMemAvailable(uint64_t& bytes)
{
    FILE* f = std::fopen("/proc/meminfo", "rb");
    if (!f)
        return false;
    bool found = false;
    char line[256];
    while (std::fgets(line, sizeof line, f))
    {
        static const char key[] = "MemAvailable:";
        if (std::strncmp(line, key, sizeof key - 1) != 0)
            continue;
        const char* p = line + sizeof key - 1;
        while (*p == ' ' || *p == '\t')
            ++p;
        uint64_t kib = 0;
        const char* end = line + std::strlen(line);
        if (std::from_chars(p, end, kib).ec == std::errc())
        {
            bytes = kib * 1024u;
            found = true;
        }
        break;
    }
    std::fclose(f);
    return found;
}
} // namespace

bool GetMemoryStatus(MemoryStatus& out)
{
    struct sysinfo info
    {
    };
    if (sysinfo(&info) != 0)
        return false;
    const uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    out.totalPhysical = uint64_t(info.totalram) * unit;
    uint64_t available = 0;
    if (!ReadMemAvailable(available))
        available = (uint64_t(info.freeram) + uint64_t(info.bufferram)) * unit;
    out.availablePhysical = available;
    return true;
}

bool GetDiskSpace(const std::string& path, uint64_t& freeBytes, uint64_t& totalBytes)
{
    struct statvfs st
    {
    };
    if (path.empty() || statvfs(path.c_str(), &st) != 0)
        return false;
    const uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    freeBytes = uint64_t(st.f_bavail) * unit;
    totalBytes = uint64_t(st.f_blocks) * unit;
    return true;
}

bool GetOSVersion(OSVersion& out)
{
    struct utsname names
    {
    };
    if (uname(&names) != 0)
        return false;
    out.name = names.sysname;
    out.release = names.release;
    out.version = names.version;
    out.machine = names.machine;
    out.major = 0;
    out.minor = 0;
    const char* p = names.release;
    const char* end = p + std::strlen(p);
    auto r = std::from_chars(p, end, out.major);
    if (r.ec == std::errc() && r.ptr < end && *r.ptr == '.')
        std::from_chars(r.ptr + 1, end, out.minor);
    return true;
}

bool IsUserAdmin()
{
    return geteuid() == 0;
}

std::string GetCpuBrand()
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(0x80000000u, &a, &b, &c, &d) == 0 || a < 0x80000004u)
        return {};
    char brand[49] = {};
    for (unsigned leaf = 0; leaf < 3; ++leaf)
    {
        unsigned regs[4] = {};
        __get_cpuid(0x80000002u + leaf, &regs[0], &regs[1], &regs[2], &regs[3]);
        std::memcpy(brand + leaf * 16, regs, 16);
    }
    std::string text(brand);
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
#else
    return {};
#endif
}
} // namespace plat
