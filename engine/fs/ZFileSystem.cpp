#include "engine/fs/ZFileSystem.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "engine/fs/ZFile.h"
#include "engine/fs/ZMountTable.h"
#include "engine/fs/ZZipArchive.h"

namespace
{
bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Environment values longer than 1023 characters are not taken.
bool ReadEnvironment(const char* name, std::string& out)
{
    const char* value = std::getenv(name);
    if (!value || !*value || std::strlen(value) >= 1024)
        return false;
    out = value;
    return true;
}
} // namespace

ZFileSystem::ZFileSystem(ZMountTable* table) : m_table(table ? table : ZMountTable::GetInstance()) {}

ZFileSystem::~ZFileSystem()
{
    CloseAllFiles();
}

ZMountTable* ZFileSystem::GetCurrentMountTable()
{
    ZFileSystem* fs = PeekInstance();
    return fs ? fs->m_table : ZMountTable::GetInstance();
}

void ZFileSystem::MountDefaultPaths(const char* home, const char* bin)
{
    m_table->AddMount("home", home ? home : "", "", true);
    m_table->AddMount("bin", (bin && *bin) ? bin : "home:bin/", "", true);
    m_table->AddMount("media", "home:media", "", true);
    m_table->AddMount("shaders", "media:shaders", "", true);
}

void ZFileSystem::MountDefaults(const char* homeSetting)
{
    std::string home;
    if (!ReadEnvironment("engineroot", home) && !ReadEnvironment("enginehome", home))
        home = homeSetting ? homeSetting : "./";
    std::string bin;
    ReadEnvironment("enginebin", bin);
    MountDefaultPaths(home.c_str(), bin.c_str());
}

IFile* ZFileSystem::Open(const char* name, uint32_t flags, int index)
{
    if (!name || !*name)
        return nullptr;
    const bool reading = (flags & FILE_READ) != 0;

    if (!HasMountAlias(name) && !std::strchr(name, '#'))
    {
        if (reading && !Exists(name))
            return nullptr;
        ZFile* file = new ZFile(name, flags);
        TrackFile(file);
        return file;
    }

    // Anything that may write skips the archive places.
    const bool mayWrite = (flags & FILE_WRITABLE_MASK) != 0;
    std::string resolved;
    int count = ResolveMountPath(m_table, resolved, name, mayWrite, index);
    const bool morePlaces = index + 1 < count;

    size_t hash = resolved.find('#');
    if (hash == std::string::npos)
    {
        if (HasMountAlias(resolved.c_str()))
            return nullptr;
        if (reading && !Exists(resolved) && morePlaces)
            return Open(name, flags, index + 1);
        ZFile* file = new ZFile(resolved, flags);
        TrackFile(file);
        return file;
    }

    // A place that cannot serve the name (archive unknown, unreadable or without the
    // member) passes the request on to the next place of the alias.
    std::string archiveName = resolved.substr(0, hash);
    std::string memberName = resolved.substr(hash + 1);
    ZResourceFile* archive = FindArchive(archiveName.c_str());
    // OpenMember opens the archive (under its lock) when it is not open yet.
    IFile* member = archive ? archive->OpenMember(memberName.c_str()) : nullptr;
    if (!member)
        return morePlaces ? Open(name, flags, index + 1) : nullptr;
    // Only the reading bits carry over: an archive member is never written.
    member->SetFlags(FILE_READ | (flags & FILE_STREAMED));
    return member;
}

void ZFileSystem::AddArchive(ZResourceFile* archive)
{
    if (!archive)
        return;
    std::string path = archive->GetPath();
    m_archives[path] = archive;
    // Also under the forms a resolved name carries: the folder of an alias keeps its case,
    // so the archive's own file name may come out either way.
    std::string resolved;
    ResolveMountPath(m_table, resolved, path.c_str());
    m_archives[resolved] = archive;
    m_table->Resolve(resolved, path.c_str());
    ZMountTable::NormalizePath(resolved);
    m_archives[resolved] = archive;
}

void ZFileSystem::MountResourceArchive(ZResourceFile* archive)
{
    if (!archive)
        return;
    m_table->AddMount("resources", "", archive->GetPath(), false);
    AddArchive(archive);
}

ZResourceFile* ZFileSystem::FindArchive(const char* name) const
{
    if (!name)
        return nullptr;
    auto it = m_archives.find(name);
    return it == m_archives.end() ? nullptr : it->second;
}

void ZFileSystem::TrackFile(IFile* file)
{
    if (!file)
        return;
    ZCriticalSectionGuard guard(m_lock);
    file->SetFlags(file->GetFlags() | FILE_TRACKED);
    file->m_tracker = this;
    m_openFiles.push_back(file);
}

void ZFileSystem::UntrackFile(IFile* file)
{
    ZCriticalSectionGuard guard(m_lock);
    auto it = std::find(m_openFiles.begin(), m_openFiles.end(), file);
    if (it != m_openFiles.end())
        m_openFiles.erase(it);
    if (file)
    {
        file->SetFlags(file->GetFlags() & ~FILE_TRACKED);
        file->m_tracker = nullptr;
    }
}

void ZFileSystem::CloseAllFiles()
{
    std::vector<IFile*> files;
    {
        ZCriticalSectionGuard guard(m_lock);
        files.swap(m_openFiles);
    }
    for (IFile* file : files)
    {
        file->SetFlags(file->GetFlags() & ~FILE_TRACKED);
        file->m_tracker = nullptr;
        file->Close();
        delete file;
    }
}

size_t ZFileSystem::GetOpenFileCount()
{
    ZCriticalSectionGuard guard(m_lock);
    return m_openFiles.size();
}
