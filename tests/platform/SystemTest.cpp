#include "engine/platform/ZPlatformSystem.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace
{
TEST(System, MemoryStatus)
{
    plat::MemoryStatus status;
    ASSERT_TRUE(plat::GetMemoryStatus(status));
    EXPECT_GT(status.totalPhysical, 64ull << 20);
    EXPECT_GT(status.availablePhysical, 0ull);
    EXPECT_LE(status.availablePhysical, status.totalPhysical);
}

TEST(System, DiskSpace)
{
    uint64_t freeBytes = 0, totalBytes = 0;
    ASSERT_TRUE(plat::GetDiskSpace("/tmp", freeBytes, totalBytes));
    EXPECT_GT(totalBytes, 0ull);
    EXPECT_LE(freeBytes, totalBytes);
    EXPECT_FALSE(plat::GetDiskSpace("/no/such/folder/anywhere", freeBytes, totalBytes));
    EXPECT_FALSE(plat::GetDiskSpace("", freeBytes, totalBytes));
}

TEST(System, OSVersion)
{
    plat::OSVersion version;
    ASSERT_TRUE(plat::GetOSVersion(version));
    EXPECT_EQ(version.name, "Linux");
    EXPECT_FALSE(version.release.empty());
    EXPECT_GE(version.major, 2);
    EXPECT_EQ(version.release.rfind(std::to_string(version.major) + "." + std::to_string(version.minor), 0),
              0u);
    EXPECT_FALSE(version.machine.empty());
}

TEST(System, AdministratorIsRoot)
{
    EXPECT_EQ(plat::IsUserAdmin(), geteuid() == 0);
}

TEST(System, CpuBrandIsTrimmed)
{
    const std::string brand = plat::GetCpuBrand();
#if defined(__x86_64__)
    EXPECT_FALSE(brand.empty());
#endif
    if (!brand.empty())
    {
        EXPECT_NE(brand.front(), ' ');
        EXPECT_NE(brand.back(), ' ');
        EXPECT_EQ(brand.find('\0'), std::string::npos);
        EXPECT_LE(brand.size(), 48u);
    }
}
} // namespace
