#pragma once
// Small free functions shared across the engine: number and text helpers, the command-line splitter.
// None keeps state.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// Reads up to 8 hexadecimal digits from the start of the text (either case), stopping at the first
// other character. Returns the value; `digits` (when given) receives how many digits were read, so
// callers can tell whether an alpha byte was given. A leading "#" or "0x" is not skipped; a text
// that does not start with a digit (or null) gives 0 and 0 digits.
uint32_t ParseHexColor(const char* text, int* digits = nullptr);

// Splits a command line in place into words. Blanks (space, tab) outside quotes end a word and are
// overwritten with 0 bytes; ' and " open a quoted section that the same character closes, and the
// quote characters stay in the word. Leading and trailing blanks give no empty words. At most
// `maxWords` words are stored: the walk stops there, so the array is never overrun. Returns the
// number of words.
int SplitCommandLine(char* text, char** words, int maxWords);

// The command line as the engine keeps it: at most 2048 bytes (terminator included) split into at
// most 64 words. Longer lines are cut and further words ignored.
class ZCommandLine
{
public:
    static constexpr size_t kMaxBytes = 2048;
    static constexpr int kMaxWords = 64;

    ZCommandLine() = default;
    // A copy's words point into its own buffer.
    ZCommandLine(const ZCommandLine& other) { *this = other; }
    ZCommandLine& operator=(const ZCommandLine& other);

    // Copies the line (cut to 2047 bytes) and splits it.
    int Set(const char* line);
    // Takes words that are already split (a program's arguments) as they are. A word that does not
    // fit in the buffer whole is dropped with every word after it.
    int SetWords(int count, const char* const* words);

    int Count() const { return m_count; }
    // The bound by kMaxWords too: the optimiser cannot see that m_count never passes it.
    const char* Word(int index) const
    {
        return index >= 0 && index < m_count && index < kMaxWords ? m_words[index] : nullptr;
    }
    const char* const* Words() const { return m_words; }

private:
    char m_buffer[kMaxBytes] = {};
    char* m_words[kMaxWords] = {};
    int m_count = 0;
};

// True when the text from the path's last '.' on equals `extension` (given with its dot, ".ogg")
// without regard to case. A path without '.' gives false.
bool HasExtension(const char* path, const char* extension);

// A copy without leading and trailing blanks, tabs, carriage returns and line feeds.
std::string TrimString(const char* text);

// True when the text begins with "1" or equals "true" (bool attributes of scene and story files).
bool ParseBool(const char* text);

// Reads a number from the start of the text into `value` (a leading "+" is allowed; what follows
// the number is not looked at). False, with `value` unchanged, for null or a text that does not
// start with a number of that type's range.
template <class T> bool ParseNumber(const char* text, T& value)
{
    if (!text)
        return false;
    const char* end = text + std::strlen(text);
    if (*text == '+')
        ++text;
    return std::from_chars(text, end, value).ec == std::errc();
}

// printf into a new text of at most 255 characters (a longer result is cut), for log lines and
// short values.
std::string FormatShort(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The value brought into [low, high]; NaN gives low.
float ClampFloat(float value, float low, float high);

// The operating system for logs, at most 128 bytes with the terminator: "Linux 6.1 (6.1.0-13-amd64)
// x86_64" (name, major.minor, release, machine); "unknown" when the system does not say.
void GetOSName(char* buffer);

// True when the process runs with administrator (root) privileges.
bool IsUserAdmin();

class ZProperty;
// Writes the setting's current value as text into `text`, at most 128 bytes with the terminator (an
// empty text for a null setting).
void ValueToString(const ZProperty* setting, char* text);
// The same without a length limit (for the file writers, which must not cut long texts).
std::string ValueToString(const ZProperty& setting);
