#pragma once
// Shader definitions ("shaders.def": a name, typed parameters with defaults and the code that draws
// them) and the shader code objects of the active back end, all held by one library.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/ZMatrix.h"

class ZCamera;
class ZMaterial;
struct DrawRecord;

// Parameter types as the definition file names them.
enum EShaderParamType : int32_t
{
    kShaderParamBool = 1,
    kShaderParamInt = 2,
    kShaderParamFloat = 3,
    kShaderParamVector = 6,
    kShaderParamMatrix = 8,
    kShaderParamColor = 9,
    kShaderParamTextureMap = 14,
};

struct ZShaderParam
{
    std::string name;
    int32_t type = 0;
    // Up to 16 floats (vector, colour, matrix), or the first as int / bool.
    float values[16] = {};
    int32_t intValue = 0;
    bool boolValue = false;
    std::string text; // texture map: the texture's name
    int32_t index = 0;
};

// Shader code of a back end (built in, or compiled from a preprocessed code file).
class ZShaderCodeBase
{
public:
    // Which matrices the code wants (SetTransforms).
    enum : uint8_t
    {
        kWantsWorld = 0x1,
        kWantsWorldInverse = 0x2,
        kWantsView = 0x4,
        kWantsViewInverse = 0x8,
        kWantsCamera = 0x10,
        kWantsFinal = 0x80,
    };

    explicit ZShaderCodeBase(const char* name);
    virtual ~ZShaderCodeBase() = default;
    ZShaderCodeBase(const ZShaderCodeBase&) = delete;
    ZShaderCodeBase& operator=(const ZShaderCodeBase&) = delete;

    // 0 on success.
    virtual int Compile(const char* text, size_t length)
    {
        (void)text, (void)length;
        return 0;
    }
    virtual void BindParameters(const std::vector<ZShaderParam>& parameters) { (void)parameters; }
    virtual bool IsValid() const { return true; }
    virtual void Activate() {}
    virtual void EndDraw() {}
    virtual int Draw(ZCamera* camera, const DrawRecord& record)
    {
        (void)camera, (void)record;
        return 0;
    }
    virtual void SetMaterial(ZMaterial* material) { (void)material; }
    virtual void SetTransforms(ZCamera* camera, const DrawRecord& record);
    virtual void SetWorldMatrix(ZCamera* camera, const DrawRecord& record) { (void)camera, (void)record; }
    virtual void SetViewMatrix(ZCamera* camera) { (void)camera; }
    virtual void SetCamera(ZCamera* camera) { (void)camera; }
    virtual void SetFinalMatrix(ZCamera* camera, const DrawRecord& record) { (void)camera, (void)record; }
    virtual void MaterialChanged(ZMaterial* material) { (void)material; }
    // Gives up the back end's data (before a reload deletes the object).
    virtual void ReleaseData() {}
    virtual const char* GetName() const { return m_name.c_str(); }

    // What the sprite codes of the back ends need of a sprite to place it.
    struct SpritePlacement
    {
        float width = 100.0f;
        float height = 100.0f;
        // Drawn with the renderer's default 100 x 100 quad (quad id 0), which the size scales.
        bool defaultQuad = true;
        float scaleX = 1.0f;
        float scaleY = 1.0f;
        // A 2D node under a camera with option 0x4: z translation 0.
        bool flatZ = false;
        // Node flag 0x2000: x and y rounded down to whole pixels and moved by the texel offset.
        bool snap = false;
        float texelOffset = 0.0f;
    };
    // The world matrix of a sprite record: the record's matrix with the sprite's size and scale on
    // its first two rows.
    static _M44 SpriteWorldMatrix(const _M44& recordWorld, const SpritePlacement& sprite);

    uint32_t GetNameId() const { return m_nameId; }
    void SetNameId(uint32_t id) { m_nameId = id; }
    uint8_t GetFlags() const { return m_flags; }
    void SetFlags(uint8_t flags) { m_flags = flags; }

protected:
    uint32_t m_nameId = 0;
    uint8_t m_flags = 0;
    std::string m_name;
};

// A named shader definition: parameters with their defaults and the code that draws with them.
class ZShaderBase
{
public:
    explicit ZShaderBase(const char* name);
    virtual ~ZShaderBase() = default;
    ZShaderBase(const ZShaderBase&) = delete;
    ZShaderBase& operator=(const ZShaderBase&) = delete;

    virtual void ReleaseCode() { m_code = nullptr; }
    // Hands the parameters to the code.
    virtual void End();
    virtual int Draw(ZCamera* camera, const DrawRecord& record);
    virtual const char* GetName() const { return m_name.c_str(); }

    // Copies the parameter defaults into the material's arrays.
    void InitMaterial(ZMaterial* material) const;

    void AddParameter(const ZShaderParam& parameter) { m_parameters.push_back(parameter); }
    const std::vector<ZShaderParam>& GetParameters() const { return m_parameters; }
    ZShaderCodeBase* GetCode() const { return m_code; }
    void SetCode(ZShaderCodeBase* code) { m_code = code; }

private:
    std::string m_name;
    std::vector<ZShaderParam> m_parameters;
    ZShaderCodeBase* m_code = nullptr;
};

class ZShaderLibrary
{
public:
    ZShaderLibrary();
    ~ZShaderLibrary();
    ZShaderLibrary(const ZShaderLibrary&) = delete;
    ZShaderLibrary& operator=(const ZShaderLibrary&) = delete;

    static ZShaderLibrary* GetInstance() { return s_instance; }

    // Reads a definition file; 1 when it cannot be opened, else 0.
    int LoadDefinitions(const char* file);
    // The same over text already in memory.
    int ParseDefinitions(const std::string& text);
    // The engine's own file, then the game's (the path the engine handed over), once each.
    int LoadAllDefinitions();
    void SetDefinitionsPath(const std::string& path) { m_definitionsPath = path; }
    const std::string& GetDefinitionsPath() const { return m_definitionsPath; }

    ZShaderBase* FindShader(const char* name) const;
    ZShaderCodeBase* FindShaderCode(const char* name) const;
    ZShaderCodeBase* FindShaderCodeById(uint32_t id) const;
    // The code object for "shaders:" + file + the code extension; null on any failure.
    ZShaderCodeBase* LoadShaderCode(const char* file);
    // Built-in code of a back end.
    void AddShaderCode(ZShaderCodeBase* code);
    // Every compiled code object gives up its data and is deleted (the back end's built-in code
    // stays); the shaders are read again from the files read before.
    void Reload();

    void SetCodeExtension(const char* extension) { m_codeExtension = extension ? extension : ""; }
    const std::string& GetCodeExtension() const { return m_codeExtension; }
    const std::vector<std::string>& GetDefines() const { return m_defines; }
    const std::vector<ZShaderBase*>& GetShaders() const { return m_shaders; }
    const std::vector<ZShaderCodeBase*>& GetShaderCode() const { return m_code; }
    // Lines refused while reading definitions, for diagnostics.
    const std::vector<std::string>& GetWarnings() const { return m_warnings; }

private:
    void ParseLine(const std::vector<std::string>& tokens);
    void ParseParameter(const std::vector<std::string>& tokens);
    void Warn(const std::string& text);
    void Clear(bool builtInToo);

    static ZShaderLibrary* s_instance;
    std::vector<ZShaderCodeBase*> m_code;
    std::vector<ZShaderCodeBase*> m_builtIn;
    std::vector<ZShaderBase*> m_shaders;
    std::vector<std::string> m_defines;
    std::string m_codeExtension = ".vsh";
    std::string m_definitionsPath;
    std::vector<std::string> m_loadedFiles;
    std::vector<std::string> m_warnings;
    ZShaderBase* m_current = nullptr;
};
