#include "engine/core/ZTextFormat.h"

#include <charconv>

std::string FormatChecked(const char* format, std::initializer_list<ZFormatArg> args)
{
    if (!format)
        return {};
    std::string out;
    const ZFormatArg* next = args.begin();
    for (const char* p = format; *p; ++p)
    {
        if (*p != '%')
        {
            out += *p;
            continue;
        }
        const char c = p[1];
        if (c == '%')
        {
            out += '%';
            ++p;
            continue;
        }
        const bool number = c == 'd' || c == 'i';
        if ((!number && c != 's') || next == args.end() || next->isText == number)
            return format;
        if (number)
        {
            char buffer[24];
            const auto result = std::to_chars(buffer, buffer + sizeof(buffer), next->number);
            out.append(buffer, result.ptr);
        }
        else
        {
            out += next->text;
        }
        ++next;
        ++p;
    }
    // A conversion the text leaves out is as wrong as one too many.
    return next == args.end() ? out : std::string(format);
}
