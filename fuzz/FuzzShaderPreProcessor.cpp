// Feeds arbitrary bytes to the shader preprocessor as a code file; every "#include" reads the same
// bytes again, so include chains run to their depth limit.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/render/shaders/ZShaderPreProcessor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const ZShaderExternal kExterns[] = {{"float4x4", "mWorld", 1}, {"float4", "vColor", 2}, {nullptr, nullptr, 0}};
    const std::string text(reinterpret_cast<const char*>(data), size);
    ZShaderPreProcessor pre;
    pre.AddDefine("TEXTURED");
    pre.SetExternTable(kExterns);
    pre.SetSourceReader(
        [&text](const std::string& path, std::string& out)
        {
            if (path.find("missing") != std::string::npos)
                return false;
            out = text;
            return true;
        });
    if (pre.Process("shaders", "fuzz.gls"))
        (void)pre.GetUsedExternMask();
    return 0;
}
