#pragma once
// Modal message boxes: the fatal-error box and the yes/no question. The text always goes to
// the standard error stream too; without a display that is all that happens, and a question
// is answered "no".
#include <string>

class ZPlatformWindow;

namespace plat
{
enum class MessageBoxKind
{
    Stop,  // an error with one button
    YesNo, // a question
};

enum class MessageBoxAnswer
{
    Ok,
    Yes,
    No,
};

// Shows the box in front of the parent window when one is given. A stop box answers Ok.
MessageBoxAnswer ShowMessageBox(MessageBoxKind kind, const std::string& title, const std::string& text,
                                ZPlatformWindow* parent = nullptr);
} // namespace plat
