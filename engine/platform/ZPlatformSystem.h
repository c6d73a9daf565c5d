#pragma once
// Machine queries for the statistics log and the low-memory decision: physical memory,
// disk space, operating-system version, administrator test and processor name.
#include <cstdint>
#include <string>

namespace plat
{
struct MemoryStatus
{
    uint64_t totalPhysical = 0;     // bytes
    uint64_t availablePhysical = 0; // bytes a new allocation can still get without swapping
};
// False when the query fails.
bool GetMemoryStatus(MemoryStatus& out);

// Space on the file system holding the path, in bytes; free counts what an unprivileged
// user may still use.
bool GetDiskSpace(const std::string& path, uint64_t& freeBytes, uint64_t& totalBytes);

struct OSVersion
{
    std::string name;    // kernel name, "Linux"
    std::string release; // "6.1.0-13-amd64"
    std::string version; // build text of the kernel
    std::string machine; // "x86_64"
    int major = 0;
    int minor = 0;
};
bool GetOSVersion(OSVersion& out);

// The administrator test: the process runs with the privileges of root.
bool IsUserAdmin();

// The processor's brand text from the extended identification leaves, trimmed of leading
// and trailing blanks; empty when the processor does not give one.
std::string GetCpuBrand();
} // namespace plat
