#pragma once
// Formatting of texts that come from data files (localized texts used as formats). Such a text may
// hold any "%" sequence, so it is never handed to printf: only the conversions the caller expects
// are filled in, in order ("%d" or "%i" for a number, "%s" for a text, "%%" for a percent sign).
// A text whose conversions differ from what the caller gives is shown as it stands.
#include <cstdint>
#include <initializer_list>
#include <string>

struct ZFormatArg
{
    ZFormatArg(int value) : isText(false), number(value) {}
    ZFormatArg(int64_t value) : isText(false), number(value) {}
    ZFormatArg(const char* value) : isText(true), text(value ? value : "") {}

    bool isText;
    int64_t number = 0;
    const char* text = "";
};

// Null formats give an empty text.
std::string FormatChecked(const char* format, std::initializer_list<ZFormatArg> args);
