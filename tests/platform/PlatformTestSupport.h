#pragma once
#include "support/TestFiles.h"
// Helpers of the platform tests: environment variables set for one test, scratch folders.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace qvtest
{
class ScopedEnv
{
public:
    // A null value unsets the variable for the scope.
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

using qvtest::TempDir;
} // namespace qvtest
