#include "engine/import/ZXMLImport.h"

#include <expat.h>

#include <cstdio>
#include <vector>

#include "engine/fs/ZFile.h"
#include "engine/resource/ZResourcePath.h"

namespace
{
void XMLCALL IgnoreComment(void*, const XML_Char*) {}
} // namespace

void ZXMLImport::ResetImport()
{
    m_file = nullptr;
}

int ZXMLImport::Import(IFile* file)
{
    m_file = file;
    return Parse();
}

int ZXMLImport::ImportPath(ZResourcePath* path)
{
    if (!path)
        return 1;
    if (path->Open() != 0 || !path->GetFile())
    {
        path->Close();
        m_lastError = path->GetName() + ": cannot be opened";
        return 1;
    }
    SetSourceName(path->GetName());
    const int result = Import(path->GetFile());
    // Closes and deletes a file still open; forgets it in any case.
    path->Close();
    m_file = nullptr;
    return result;
}

int ZXMLImport::Parse()
{
    IFile* file = m_file;
    if (!file)
        return 1;
    if (!file->IsOpen() && file->Open() != 0)
    {
        m_lastError = m_sourceName + ": cannot be opened";
        return 1;
    }
    const int64_t size = file->GetSize();
    if (size < 0)
    {
        file->Close();
        m_lastError = m_sourceName + ": size unknown";
        return 1;
    }
    std::vector<char> buffer(size_t(size) + 1);
    size_t got = 0;
    while (got < size_t(size))
    {
        const size_t n = file->Read(buffer.data() + got, size_t(size) - got);
        if (n == 0)
            break;
        got += n;
    }
    file->Close();
    if (got != size_t(size))
    {
        m_lastError = m_sourceName + ": read failed";
        return 1;
    }
    return ParseBuffer(buffer.data(), got);
}

void ZXMLImport::SetupParser(XML_ParserStruct* parser)
{
    XML_SetUserData(parser, this);
    XML_SetCommentHandler(parser, &IgnoreComment);
}

int ZXMLImport::ParseBuffer(const char* data, size_t size)
{
    m_lastError.clear();
    m_abortReason.clear();
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser)
    {
        m_lastError = m_sourceName + ": out of memory";
        return 1;
    }
    XML_ParserStruct* previous = m_parser;
    m_parser = parser;
    SetupParser(parser);
    int result = 0;
    // One call that is also the last: a document that ends with elements still open is an error.
    // Sizes beyond int are fed in pieces, the last marked final.
    const char* p = data ? data : "";
    size_t left = data ? size : 0;
    constexpr size_t kPiece = size_t(1) << 30;
    for (;;)
    {
        const size_t n = left > kPiece ? kPiece : left;
        const bool last = n == left;
        if (XML_Parse(parser, p, int(n), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK)
        {
            const char* message =
                m_abortReason.empty() ? XML_ErrorString(XML_GetErrorCode(parser)) : m_abortReason.c_str();
            char line[32];
            std::snprintf(line, sizeof(line), "%lu",
                          static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)));
            m_lastError = m_sourceName + ": " + (message ? message : "error") + " at line " + line;
            result = 1;
            break;
        }
        if (last)
            break;
        p += n;
        left -= n;
    }
    XML_ParserFree(parser);
    m_parser = previous;
    return result;
}

void ZXMLImport::AbortParse(const char* reason)
{
    if (!m_parser)
        return;
    if (m_abortReason.empty())
        m_abortReason = reason ? reason : "aborted";
    XML_StopParser(m_parser, XML_FALSE);
}
