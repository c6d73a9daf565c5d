#pragma once

#include <string>

#include "tools/common/Canvas.h"
#include "tools/common/ToolOptions.h"

namespace qvtool
{

// The shops' pictures: generator "shopscene" (shop=1..3, the interior behind the counter) and
// "shopsign" (kind=soldout|comsoon|newstock, the signs on the item buttons). False for other
// generators (handled = false) or bad options.
bool DrawShopArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error,
                 bool& handled);

} // namespace qvtool
