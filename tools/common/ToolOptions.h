#pragma once

#include <map>
#include <string>
#include <vector>

namespace qvtool
{

// Command-line options of the content generators: positional words and "key=value" words.
// Numbers are read in the "C" locale so a list file means the same on every machine.
class ToolOptions
{
public:
    // Splits argv[first..] into positional words and key=value options. A bare word that
    // follows the positional count is taken as a flag (value "1").
    ToolOptions(int argc, char** argv, int first, int positionalCount);

    const std::string& Positional(int index) const;
    int PositionalCount() const { return static_cast<int>(positional_.size()); }

    bool Has(const std::string& key) const;
    std::string Text(const std::string& key, const std::string& fallback) const;
    double Number(const std::string& key, double fallback) const;
    int Integer(const std::string& key, int fallback) const;
    // Colour text "rrggbb" or "rrggbbaa" (hex); each channel in [0, 1].
    bool Colour(const std::string& key, float out[4]) const;

    // Keys that were given but never asked for: a typo in a list file shows up as an error.
    std::vector<std::string> Unused() const;

private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string> options_;
    mutable std::map<std::string, bool> used_;
};

bool ParseDouble(const std::string& text, double& out);
bool ParseColour(const std::string& text, float out[4]);
// Stable 32-bit hash of a text (FNV-1a): seeds derived from names never change between builds.
unsigned HashText(const std::string& text);

} // namespace qvtool
