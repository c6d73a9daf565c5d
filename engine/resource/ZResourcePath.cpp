#include "engine/resource/ZResourcePath.h"

#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"

namespace
{
char ToLowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
} // namespace

ZResourcePath::ZResourcePath(const ZResourcePath& other)
{
    *this = other;
}

ZResourcePath& ZResourcePath::operator=(const ZResourcePath& other)
{
    if (this == &other)
        return *this;
    ReleaseFile();
    if (other.m_file)
    {
        auto* file = new ZRefCountFile();
        file->SetPath(other.m_file->GetPath());
        file->SetFlags(other.m_file->GetFlags() & ~FILE_TRACKED);
        m_file = file;
    }
    m_name = other.m_name;
    m_resolved = other.m_resolved;
    m_fileName = other.m_fileName;
    m_extra = other.m_extra;
    return *this;
}

ZResourcePath::~ZResourcePath()
{
    Close();
}

void ZResourcePath::Parse(const char* name)
{
    m_name.clear();
    m_resolved.clear();
    m_fileName.clear();
    if (name)
    {
        for (const char* c = name; *c; ++c)
            m_name.push_back(ToLowerAscii(*c));
    }
    if (!m_name.empty())
        ResolveMountPath(ZFileSystem::GetCurrentMountTable(), m_resolved, m_name.c_str());
    if (m_fileName.empty())
    {
        size_t cut = m_name.rfind('/');
        if (cut == std::string::npos)
            cut = m_name.find(':');
        m_fileName = cut == std::string::npos ? m_name : m_name.substr(cut + 1);
    }
}

int ZResourcePath::Open()
{
    Close();
    ZFileSystem* fileSystem = ZFileSystem::GetInstance();
    if (!fileSystem || m_name.empty())
        return 1;
    IFile* file = fileSystem->Open(m_name.c_str(), FILE_READ, 0);
    if (!file)
        return 1;
    if (file->Open() != 0)
    {
        delete file;
        return 1;
    }
    m_file = file;
    return 0;
}

int ZResourcePath::Close()
{
    int status = 1;
    if (m_file && m_file->IsOpen())
        status = m_file->Close();
    ReleaseFile();
    return status;
}

void ZResourcePath::ReleaseFile()
{
    delete m_file;
    m_file = nullptr;
}

bool ZResourcePath::IsOpen() const
{
    return m_file && m_file->IsOpen();
}

std::string ZResourcePath::GetExtension() const
{
    const size_t dot = m_fileName.rfind('.');
    return dot == std::string::npos ? std::string() : m_fileName.substr(dot + 1);
}
