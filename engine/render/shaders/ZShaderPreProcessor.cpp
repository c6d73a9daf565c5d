#include "engine/render/shaders/ZShaderPreProcessor.h"

#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"

#include <antlr/ANTLRException.hpp>
#include <antlr/RecognitionException.hpp>

#include <memory>
#include <sstream>
#include <utility>

#include "ShaderLexer.hpp"
#include "ShaderParser.hpp"

namespace
{

char ToLowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const std::string& a, const char* b)
{
    if (b == nullptr)
        return false;
    size_t i = 0;
    for (; i < a.size(); ++i)
    {
        if (b[i] == '\0' || ToLowerAscii(a[i]) != ToLowerAscii(b[i]))
            return false;
    }
    return b[i] == '\0';
}

// Text mode: a carriage return before a line feed is dropped.
void DropCarriageReturns(std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out.push_back(text[i]);
    }
    text.swap(out);
}

// The engine's file system: names may carry mount aliases ("shaders:sprite.gls") or be
// plain paths, and may lie in a zip archive.
bool ReadThroughFileSystem(const std::string& path, std::string& text)
{
    ZFileSystem* fs = ZFileSystem::GetInstance();
    if (fs == nullptr)
        return false;
    std::unique_ptr<IFile> file(fs->Open(path.c_str(), FILE_READ));
    if (!file || file->Open() != 0)
        return false;
    const int64_t size = file->GetSize();
    bool ok = size >= 0;
    if (ok)
    {
        text.resize(static_cast<size_t>(size));
        ok = file->Read(text.data(), text.size()) == text.size();
    }
    file->Close();
    return ok;
}

} // namespace

ZShaderPreProcessor::ZShaderPreProcessor() = default;

void ZShaderPreProcessor::AddDefine(const std::string& name)
{
    m_defines.push_back(name);
}

bool ZShaderPreProcessor::IsDefined(const std::string& name) const
{
    for (const std::string& define : m_defines)
    {
        if (EqualsNoCase(name, define.c_str()))
            return true;
    }
    return false;
}

void ZShaderPreProcessor::SetExternTable(const ZShaderExternal* table)
{
    m_externs = table;
}

bool ZShaderPreProcessor::AddUsedExtern(const std::string& type, const std::string& name)
{
    if (m_externs == nullptr)
        return false;
    for (const ZShaderExternal* entry = m_externs; entry->type != nullptr; ++entry)
    {
        if (EqualsNoCase(type, entry->type) && EqualsNoCase(name, entry->name))
        {
            m_usedExterns.push_back(entry->bit);
            return true;
        }
    }
    return false;
}

void ZShaderPreProcessor::SetSourceReader(ZShaderSourceReader reader)
{
    m_reader = std::move(reader);
}

uint32_t ZShaderPreProcessor::GetUsedExternMask() const
{
    uint32_t mask = 0;
    for (uint32_t bit : m_usedExterns)
        mask |= bit;
    return mask;
}

bool ZShaderPreProcessor::Process(const std::string& directory, const std::string& fileName)
{
    m_includeDirectory = directory;
    m_output.clear();
    m_usedExterns.clear();
    m_errorText.clear();
    m_warnings.clear();

    const std::string path = JoinPath(fileName);
    std::string text;
    if (!ReadSource(path, text))
    {
        m_errorText = "ZShaderPreProcessor : Could not open file " + path;
        return false;
    }

    bool ok = true;
    try
    {
        Run(text, path, 0);
    }
    catch (const antlr::ANTLRException& ex)
    {
        // A failing include has already said why; the exception only unwound
        // the nested parsers.
        if (m_errorText.empty())
            m_errorText = "ZShaderPreProcessor : " + ex.toString();
        ok = false;
    }

    if (!ok)
    {
        m_output.clear();
        m_usedExterns.clear();
    }
    return ok;
}

void ZShaderPreProcessor::AppendOutput(const std::string& text)
{
    m_output += text;
}

bool ZShaderPreProcessor::IncludeFile(const std::string& name, int depth)
{
    if (depth > kMaxIncludeDepth)
    {
        m_errorText = "ZShaderPreProcessor : Includes nested deeper than " +
                      std::to_string(kMaxIncludeDepth) + " at " + name;
        return false;
    }
    const std::string path = JoinPath(name);
    std::string text;
    if (!ReadSource(path, text))
    {
        m_errorText = "Can not open inlude file " + name;
        return false;
    }
    Run(text, path, depth);
    return true;
}

void ZShaderPreProcessor::AddWarning(const std::string& text)
{
    m_warnings.push_back(text);
}

std::string ZShaderPreProcessor::JoinPath(const std::string& name) const
{
    if (m_includeDirectory.empty())
        return name;
    const char last = m_includeDirectory.back();
    if (last == '/' || last == ':')
        return m_includeDirectory + name;
    return m_includeDirectory + "/" + name;
}

bool ZShaderPreProcessor::ReadSource(const std::string& path, std::string& text) const
{
    text.clear();
    const bool found = m_reader ? m_reader(path, text) : ReadThroughFileSystem(path, text);
    if (!found)
        return false;
    DropCarriageReturns(text);
    return true;
}

void ZShaderPreProcessor::Run(const std::string& text, const std::string& path, int depth)
{
    std::istringstream stream(text);
    ShaderLexer lexer(stream);
    lexer.setFilename(path);
    lexer.SetTarget(this);
    ShaderParser parser(lexer);
    parser.setFilename(path);
    parser.SetTarget(this, depth);
    parser.file();
}

// Actions of the generated parser.

void ShaderParser::Emit(const std::string& text)
{
    if (m_active)
        m_target->AppendOutput(text);
}

bool ShaderParser::IsDefined(const std::string& name) const
{
    return m_target->IsDefined(name);
}

void ShaderParser::DeclareExtern(const std::string& keyword, const std::string& type, const std::string& name)
{
    m_target->AddUsedExtern(type, name);
    Emit(keyword + " " + type + " " + name);
}

bool ShaderParser::Include(const std::string& quotedName)
{
    // The token keeps its quotes.
    const std::string name =
        quotedName.size() >= 2 ? quotedName.substr(1, quotedName.size() - 2) : std::string();
    return m_target->IncludeFile(name, m_depth + 1);
}

bool ShaderParser::EnterGroup(const antlr::RefToken& left)
{
    if (++m_groupDepth <= ZShaderPreProcessor::kMaxGroupDepth)
        return true;
    m_target->SetErrorText("ZShaderPreProcessor : " + getFilename() + ":" + std::to_string(left->getLine()) +
                           ":" + std::to_string(left->getColumn()) + ": brackets nested deeper than " +
                           std::to_string(ZShaderPreProcessor::kMaxGroupDepth));
    return false;
}

// The runtime's report goes to the standard error stream; the preprocessor
// keeps a copy for its caller.
void ShaderLexer::reportError(const antlr::RecognitionException& ex)
{
    if (m_target != nullptr)
        m_target->AddWarning(ex.toString());
    antlr::CharScanner::reportError(ex);
}
