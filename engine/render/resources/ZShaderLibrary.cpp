#include "engine/render/resources/ZShaderLibrary.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/core/ZNameId.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZRenderState.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/render/shaders/ZShaderPreProcessor.h"

namespace
{
// The longest line the reader looks at.
constexpr size_t kMaxLineLength = 1023;

// Sizes of the material's arrays that parameter indices address.
int32_t ArraySizeOf(int32_t type)
{
    switch (type)
    {
    case kShaderParamBool:
        return 30;
    case kShaderParamInt:
    case kShaderParamFloat:
    case kShaderParamVector:
    case kShaderParamColor:
        return 4;
    case kShaderParamTextureMap:
    case kShaderParamMatrix:
        return 2;
    default:
        return 0;
    }
}

int32_t TypeOf(const std::string& word)
{
    static const struct
    {
        const char* word;
        int32_t type;
    } kTypes[] = {{"bool", kShaderParamBool},    {"int", kShaderParamInt},
                  {"float", kShaderParamFloat},  {"vector", kShaderParamVector},
                  {"color", kShaderParamColor},  {"texturemap", kShaderParamTextureMap},
                  {"matrix", kShaderParamMatrix}};
    for (const auto& entry : kTypes)
    {
        if (word == entry.word)
            return entry.type;
    }
    return 0;
}

float ReadFloat(const std::string& text)
{
    float value = 0.0f;
    const char* begin = text.data();
    if (!text.empty() && text[0] == '+')
        ++begin;
    std::from_chars(begin, text.data() + text.size(), value);
    return value;
}

int32_t ReadInt(const std::string& text, bool& ok)
{
    int32_t value = 0;
    const char* begin = text.data();
    if (!text.empty() && text[0] == '+')
        ++begin;
    const auto result = std::from_chars(begin, text.data() + text.size(), value);
    ok = result.ec == std::errc() && result.ptr == text.data() + text.size();
    return value;
}

bool ReadFile(const char* name, std::string& text)
{
    ZFileSystem* fs = ZFileSystem::GetInstance();
    if (!fs || !name)
        return false;
    std::unique_ptr<IFile> file(fs->Open(name, FILE_READ));
    if (!file || file->Open() != 0)
        return false;
    const int64_t size = file->GetSize();
    bool ok = size >= 0;
    if (ok)
    {
        text.resize(size_t(size));
        ok = file->Read(text.data(), text.size()) == text.size();
    }
    file->Close();
    return ok;
}
} // namespace

ZShaderCodeBase::ZShaderCodeBase(const char* name) : m_name(name ? name : "")
{
    m_nameId = ZNameHash(int(m_name.size()), m_name.c_str());
}

void ZShaderCodeBase::SetTransforms(ZCamera* camera, const DrawRecord& record)
{
    if (m_flags & (kWantsWorld | kWantsWorldInverse))
        SetWorldMatrix(camera, record);
    if (m_flags & (kWantsView | kWantsViewInverse))
        SetViewMatrix(camera);
    if (m_flags & kWantsCamera)
        SetCamera(camera);
    if (m_flags & kWantsFinal)
        SetFinalMatrix(camera, record);
}

_M44 ZShaderCodeBase::SpriteWorldMatrix(const _M44& recordWorld, const SpritePlacement& sprite)
{
    _M44 matrix = recordWorld;
    const float sx = (sprite.defaultQuad ? sprite.width / 100.0f : 1.0f) * sprite.scaleX;
    const float sy = (sprite.defaultQuad ? sprite.height / 100.0f : 1.0f) * sprite.scaleY;
    for (int column = 0; column < 3; ++column)
    {
        matrix.m[0][column] *= sx;
        matrix.m[1][column] *= sy;
    }
    if (sprite.flatZ)
        matrix.m[3][2] = 0.0f;
    if (sprite.snap)
    {
        matrix.m[3][0] = std::floor(matrix.m[3][0]) - sprite.texelOffset;
        matrix.m[3][1] = std::floor(matrix.m[3][1]) + sprite.texelOffset;
    }
    return matrix;
}

namespace
{
// The code object the last draw activated.
ZShaderCodeBase* s_currentCode = nullptr;
} // namespace

ZShaderBase::ZShaderBase(const char* name) : m_name(name ? name : "") {}

void ZShaderBase::End()
{
    if (m_code)
        m_code->BindParameters(m_parameters);
}

ZShaderLibrary* ZShaderLibrary::s_instance = nullptr;

ZShaderLibrary::ZShaderLibrary()
{
    s_instance = this;
}

ZShaderLibrary::~ZShaderLibrary()
{
    Clear(true);
    if (s_instance == this)
        s_instance = nullptr;
}

void ZShaderLibrary::Clear(bool builtInToo)
{
    delete m_current;
    m_current = nullptr;
    for (ZShaderBase* shader : m_shaders)
        delete shader;
    m_shaders.clear();
    std::vector<ZShaderCodeBase*> kept;
    for (ZShaderCodeBase* code : m_code)
    {
        const bool builtIn = std::find(m_builtIn.begin(), m_builtIn.end(), code) != m_builtIn.end();
        if (builtIn && !builtInToo)
        {
            kept.push_back(code);
            continue;
        }
        if (s_currentCode == code)
            s_currentCode = nullptr;
        code->ReleaseData();
        delete code;
    }
    m_code = kept;
    if (builtInToo)
        m_builtIn.clear();
}

void ZShaderLibrary::Warn(const std::string& text)
{
    std::fprintf(stderr, "shaders.def: %s\n", text.c_str());
    m_warnings.push_back(text);
}

int ZShaderLibrary::LoadDefinitions(const char* file)
{
    std::string text;
    if (!ReadFile(file, text))
        return 1;
    if (std::find(m_loadedFiles.begin(), m_loadedFiles.end(), file) == m_loadedFiles.end())
        m_loadedFiles.push_back(file);
    return ParseDefinitions(text);
}

int ZShaderLibrary::LoadAllDefinitions()
{
    const char* engineFile = "media:shaders/shaders.def";
    int result = LoadDefinitions(engineFile);
    if (!m_definitionsPath.empty() && m_definitionsPath != engineFile)
        result = LoadDefinitions(m_definitionsPath.c_str()) == 0 ? 0 : result;
    return result;
}

int ZShaderLibrary::ParseDefinitions(const std::string& text)
{
    size_t at = 0;
    std::vector<std::string> tokens;
    while (at < text.size())
    {
        const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        std::string line = text.substr(at, std::min(end - at, kMaxLineLength));
        at = text.find_first_not_of("\r\n", end);
        if (at == std::string::npos)
            at = text.size();
        tokens.clear();
        size_t t = line.find_first_not_of(" ,\t\r\n");
        while (t != std::string::npos)
        {
            const size_t stop = line.find_first_of(" ,\t\r\n", t);
            tokens.push_back(line.substr(t, stop == std::string::npos ? std::string::npos : stop - t));
            t = stop == std::string::npos ? stop : line.find_first_not_of(" ,\t\r\n", stop);
        }
        if (tokens.empty() || tokens[0].compare(0, 2, "//") == 0)
            continue;
        ParseLine(tokens);
    }
    if (m_current)
    {
        Warn("shader \"" + std::string(m_current->GetName()) + "\" has no \"end\"; kept as it stands");
        m_current->End();
        m_shaders.push_back(m_current);
        m_current = nullptr;
    }
    return 0;
}

void ZShaderLibrary::ParseLine(const std::vector<std::string>& tokens)
{
    const std::string& word = tokens[0];
    if (word == "shaderdef")
    {
        if (tokens.size() < 2)
        {
            Warn("\"shaderdef\" without a name");
            return;
        }
        if (m_current)
        {
            Warn("shader \"" + std::string(m_current->GetName()) + "\" has no \"end\"; kept as it stands");
            m_current->End();
            m_shaders.push_back(m_current);
            m_current = nullptr;
        }
        if (g_render)
            m_current = g_render->CreateShaderDef(tokens[1].c_str());
        if (!m_current)
            m_current = new ZShaderBase(tokens[1].c_str());
    }
    else if (word == "end")
    {
        if (!m_current)
        {
            Warn("\"end\" outside a shader");
            return;
        }
        m_current->End();
        m_shaders.push_back(m_current);
        m_current = nullptr;
    }
    else if (word == "shadercode")
    {
        if (!m_current)
        {
            Warn("\"shadercode\" outside a shader");
            return;
        }
        for (size_t i = 1; i < tokens.size(); ++i)
        {
            if (ZShaderCodeBase* code = LoadShaderCode(tokens[i].c_str()))
            {
                m_current->SetCode(code);
                break;
            }
        }
    }
    else if (word == "shaderdefine")
    {
        if (tokens.size() >= 2)
            m_defines.push_back(tokens[1]);
    }
    else
        ParseParameter(tokens);
}

void ZShaderLibrary::ParseParameter(const std::vector<std::string>& tokens)
{
    const std::string& word = tokens[0];
    if (word == "renderstate")
        return;
    const int32_t type = TypeOf(word);
    if (type == 0)
    {
        Warn("unknown parameter type \"" + word + "\"");
        return;
    }
    if (!m_current)
    {
        Warn("parameter \"" + word + "\" outside a shader");
        return;
    }
    // A matrix takes no value from the line.
    const size_t needed = type == kShaderParamMatrix ? 3 : 4;
    if (tokens.size() < needed)
    {
        Warn("parameter line \"" + word + "\" needs an index, a name and a value");
        return;
    }
    ZShaderParam parameter;
    parameter.type = type;
    bool ok = false;
    parameter.index = ReadInt(tokens[1], ok);
    parameter.name = tokens[2];
    if (!ok || parameter.index < 0 || parameter.index >= ArraySizeOf(type))
    {
        Warn("parameter \"" + parameter.name + "\" has an index outside its material array");
        return;
    }
    switch (type)
    {
    case kShaderParamBool:
        parameter.boolValue = tokens[3] == "true";
        break;
    case kShaderParamInt:
        parameter.intValue = ReadInt(tokens[3], ok);
        break;
    case kShaderParamFloat:
        parameter.values[0] = ReadFloat(tokens[3]);
        break;
    case kShaderParamVector:
    case kShaderParamColor:
        // A colour in one word is colour text ("FFFFFFFF" is AARRGGBB).
        if (type == kShaderParamColor && tokens.size() == 4)
        {
            const V4 color = ZMaterial::ParseColor(tokens[3].c_str());
            parameter.values[0] = color.x;
            parameter.values[1] = color.y;
            parameter.values[2] = color.z;
            parameter.values[3] = color.w;
            break;
        }
        // A colour given as three values is opaque.
        if (type == kShaderParamColor)
            parameter.values[3] = 1.0f;
        for (size_t i = 3; i < tokens.size() && i < 7; ++i)
            parameter.values[i - 3] = ReadFloat(tokens[i]);
        break;
    case kShaderParamTextureMap:
        parameter.text = tokens[3];
        break;
    case kShaderParamMatrix:
        for (int i = 0; i < 4; ++i)
            parameter.values[i * 5] = 1.0f;
        break;
    default:
        break;
    }
    m_current->AddParameter(parameter);
}

ZShaderBase* ZShaderLibrary::FindShader(const char* name) const
{
    if (!name)
        return nullptr;
    for (ZShaderBase* shader : m_shaders)
    {
        if (std::strcmp(shader->GetName(), name) == 0)
            return shader;
    }
    return nullptr;
}

ZShaderCodeBase* ZShaderLibrary::FindShaderCode(const char* name) const
{
    if (!name)
        return nullptr;
    for (ZShaderCodeBase* code : m_code)
    {
        if (std::strcmp(code->GetName(), name) == 0)
            return code;
    }
    return nullptr;
}

ZShaderCodeBase* ZShaderLibrary::FindShaderCodeById(uint32_t id) const
{
    for (ZShaderCodeBase* code : m_code)
    {
        if (code->GetNameId() == id)
            return code;
    }
    return nullptr;
}

void ZShaderLibrary::AddShaderCode(ZShaderCodeBase* code)
{
    if (code && std::find(m_code.begin(), m_code.end(), code) == m_code.end())
    {
        m_code.push_back(code);
        m_builtIn.push_back(code);
    }
}

ZShaderCodeBase* ZShaderLibrary::LoadShaderCode(const char* file)
{
    if (!file)
        return nullptr;
    if (ZShaderCodeBase* existing = FindShaderCode(file); existing && existing->IsValid())
        return existing;
    if (!g_render || !g_render->TestStateB(kRenderCompilesShaderCode))
        return nullptr;
    ZShaderPreProcessor preprocessor;
    for (const std::string& define : m_defines)
        preprocessor.AddDefine(define);
    preprocessor.SetExternTable(g_render->GetShaderExternals());
    if (!preprocessor.Process("shaders:", std::string(file) + m_codeExtension))
    {
        Warn(preprocessor.GetErrorText());
        return nullptr;
    }
    const uint32_t id = ZNameHash(int(std::strlen(file)), file);
    ZShaderCodeBase* code = FindShaderCodeById(id);
    const bool fresh = code == nullptr;
    if (fresh)
    {
        code = g_render->CreateShaderCode(file);
        if (!code)
            return nullptr;
        code->SetNameId(id);
    }
    const std::string& text = preprocessor.GetOutput();
    if (code->Compile(text.c_str(), text.size()) != 0)
    {
        if (fresh)
            delete code;
        return nullptr;
    }
    if (fresh)
        m_code.push_back(code);
    return code;
}

void ZShaderLibrary::Reload()
{
    // The back ends' built-in code is made once, with the back end: it stays.
    Clear(false);
    m_defines.clear();
    const std::vector<std::string> files = m_loadedFiles;
    for (const std::string& file : files)
        LoadDefinitions(file.c_str());
}

void ZShaderBase::InitMaterial(ZMaterial* material) const
{
    if (!material)
        return;
    for (const ZShaderParam& parameter : m_parameters)
    {
        switch (parameter.type)
        {
        case kShaderParamBool:
            material->SetSwitch(parameter.index, parameter.boolValue ? 1 : 0);
            break;
        case kShaderParamFloat:
            material->SetFloat(parameter.index, parameter.values[0]);
            break;
        case kShaderParamColor:
            material->SetColor(parameter.index, V4{parameter.values[0], parameter.values[1],
                                                   parameter.values[2], parameter.values[3]});
            break;
        case kShaderParamTextureMap:
            material->SetTexture(parameter.index, ZTexture::Find(parameter.text.c_str()), true);
            break;
        default:
            break;
        }
    }
    if (m_code)
        m_code->MaterialChanged(material);
}

namespace
{
void ApplyMaterialState(ZMaterial* material)
{
    if (material && g_render)
        g_render->ApplyRenderState(material->GetRenderState());
}
} // namespace

int ZShaderBase::Draw(ZCamera* camera, const DrawRecord& record)
{
    if (!m_code)
        return 0;
    if (m_code != s_currentCode)
    {
        s_currentCode = m_code;
        m_code->Activate();
    }
    m_code->SetMaterial(record.material);
    ApplyMaterialState(record.material);
    m_code->SetTransforms(camera, record);
    m_code->Draw(camera, record);
    m_code->EndDraw();
    return 0;
}
