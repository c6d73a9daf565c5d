#include "tools/common/ToolOptions.h"

#include <charconv>
#include <cstdlib>

namespace qvtool
{

ToolOptions::ToolOptions(int argc, char** argv, int first, int positionalCount)
{
    for (int i = first; i < argc; ++i)
    {
        std::string word = argv[i];
        size_t eq = word.find('=');
        if (eq != std::string::npos && eq > 0)
            options_[word.substr(0, eq)] = word.substr(eq + 1);
        else if (static_cast<int>(positional_.size()) < positionalCount)
            positional_.push_back(word);
        else
            options_.insert_or_assign(word, std::string(1, '1'));
    }
}

const std::string& ToolOptions::Positional(int index) const
{
    static const std::string empty;
    if (index < 0 || index >= static_cast<int>(positional_.size()))
        return empty;
    return positional_[index];
}

bool ToolOptions::Has(const std::string& key) const
{
    used_[key] = true;
    return options_.count(key) != 0;
}

std::string ToolOptions::Text(const std::string& key, const std::string& fallback) const
{
    used_[key] = true;
    auto it = options_.find(key);
    return it == options_.end() ? fallback : it->second;
}

double ToolOptions::Number(const std::string& key, double fallback) const
{
    used_[key] = true;
    auto it = options_.find(key);
    double value = fallback;
    if (it != options_.end() && !ParseDouble(it->second, value))
        return fallback;
    return value;
}

int ToolOptions::Integer(const std::string& key, int fallback) const
{
    return static_cast<int>(Number(key, fallback));
}

bool ToolOptions::Colour(const std::string& key, float out[4]) const
{
    used_[key] = true;
    auto it = options_.find(key);
    return it != options_.end() && ParseColour(it->second, out);
}

std::vector<std::string> ToolOptions::Unused() const
{
    std::vector<std::string> unused;
    for (const auto& [key, value] : options_)
        if (!used_.count(key))
            unused.push_back(key);
    return unused;
}

bool ParseDouble(const std::string& text, double& out)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    auto result = std::from_chars(begin, end, out);
    return result.ec == std::errc() && result.ptr == end;
}

bool ParseColour(const std::string& text, float out[4])
{
    std::string hex = text;
    if (!hex.empty() && hex[0] == '#')
        hex.erase(0, 1);
    if (hex.size() != 6 && hex.size() != 8)
        return false;
    unsigned channels[4] = {0, 0, 0, 255};
    for (size_t c = 0; c < hex.size() / 2; ++c)
    {
        auto result = std::from_chars(hex.data() + c * 2, hex.data() + c * 2 + 2, channels[c], 16);
        if (result.ec != std::errc() || result.ptr != hex.data() + c * 2 + 2)
            return false;
    }
    for (int c = 0; c < 4; ++c)
        out[c] = static_cast<float>(channels[c]) / 255.0f;
    return true;
}

unsigned HashText(const std::string& text)
{
    unsigned hash = 2166136261u;
    for (unsigned char c : text)
    {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

} // namespace qvtool
