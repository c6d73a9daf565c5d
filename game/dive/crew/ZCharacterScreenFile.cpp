// The crew files: the game's crew read into the members, the player's progress read all or nothing
// over them (a damaged file moved aside), and written whole through a temporary file.
#include <cstdio>
#include <cstring>

#include "engine/core/ZSerializer.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZStream.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/import/ZXMLSaveVisitor.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterScreen.h"

struct ZCharacterScreen::SImport
{
    ZCharacterScreen* screen = nullptr;
    bool profile = false;
    bool sawRoot = false;
    // Profile reads: one staging member per crew index, filled by every element of that name.
    std::array<std::unique_ptr<ZCharacter>, kCrewCount> staged;
    size_t members = 0;
    size_t unknown = 0;
};

ZCharacterScreen::SImport* ZCharacterScreen::s_import = nullptr;

namespace
{
ZCharacterScreen* CreateScreen()
{
    return ZCharacterScreen::GetImporting();
}

ZSerializerRTTI<ZCharacterScreen> s_screenSerializer(false, &CreateScreen, nullptr);
ZSerializerRTTI<ZCharacter> s_characterSerializer(true, &ZSerializerRTTI<ZCharacter>::NoCreate,
                                                  &ZCharacterScreen::FindImportedCharacter);

// The save visitor's output kept in memory.
class ZTextStream : public ZStream
{
public:
    int Open() override { return 0; }
    size_t Read(void*, size_t) override { return 0; }
    bool Write(const void* buffer, size_t count) override
    {
        text.append(static_cast<const char*>(buffer), count);
        return true;
    }
    int64_t GetSize() override { return int64_t(text.size()); }
    int Seek(int64_t) override { return 1; }
    int64_t Tell() override { return int64_t(text.size()); }
    bool IsEof() override { return true; }

    std::string text;
};

std::string ProfilePath()
{
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    return profiles ? profiles->GetCurrentFolder() + ZCharacterScreen::kProfileFile : std::string();
}
} // namespace

ZCharacterScreen* ZCharacterScreen::GetImporting()
{
    return s_import ? s_import->screen : nullptr;
}

ZCharacter* ZCharacterScreen::FindImportedCharacter(const char* name)
{
    SImport* session = s_import;
    if (!session)
        return nullptr;
    ++session->members;
    const int index = ParseCrewName(name);
    if (index < 0)
    {
        ++session->unknown;
        return nullptr;
    }
    if (!session->profile)
        return ZCharacter::GetOrCreate(name);
    // A profile never adds members: what it says waits in a copy until the whole file has read.
    std::unique_ptr<ZCharacter>& staged = session->staged[size_t(index)];
    if (!staged)
    {
        staged = std::make_unique<ZCharacter>();
        staged->SetName(name);
    }
    return staged.get();
}

bool ZCharacterScreen::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)id;
    if (name || !s_import || s_import->profile)
        return name == nullptr;
    const ZCharacter* child = SerializedChild<ZCharacter>(value);
    if (!child)
        return false;
    const int index = ParseCrewName(child->GetName());
    if (index < 0)
        return false;
    m_characters[size_t(index)] = const_cast<ZCharacter*>(child);
    return true;
}

void ZCharacterScreen::OnLoaded()
{
    if (s_import)
        s_import->sawRoot = true;
    if (s_import && !s_import->profile)
        RecomputeMaxima();
}

void ZCharacterScreen::SaveChildren(ISaveVisitor* visitor)
{
    for (ZCharacter* member : m_characters)
    {
        if (!member)
            continue;
        visitor->BeginElement(nullptr, "character");
        member->SaveAttributes(visitor);
        visitor->CloseStartTag();
        visitor->EndElement(nullptr, "character");
    }
}

void ZCharacterScreen::RecomputeMaxima()
{
    m_maxAir = 0.0f;
    m_maxTreasure = 0.0f;
    for (ZCharacter* member : m_characters)
    {
        if (!member)
            continue;
        m_maxAir = std::max(m_maxAir, member->GetAir());
        m_maxTreasure = std::max(m_maxTreasure, member->GetTreasure());
    }
}

int ZCharacterScreen::Import(const std::string& text, bool profile, const char* source)
{
    SImport session;
    session.screen = this;
    session.profile = profile;
    SImport* outer = s_import;
    s_import = &session;
    std::string error;
    int result = ImportDetachedBuffer(text, source, error);
    if (result != 0)
        std::fprintf(stderr, "Crew: %s\n", error.c_str());
    s_import = outer;
    if (result == 0 && !session.sawRoot)
    {
        std::fprintf(stderr, "Crew: %s holds no \"characterscreen\" element\n", source);
        result = 1;
    }
    if (session.unknown > 0)
        std::fprintf(stderr, "Crew: %zu of the %zu members in %s are not of the crew; left out\n", session.unknown,
                     session.members, source);
    if (result == 0 && profile)
    {
        for (int index = 0; index < kCrewCount; ++index)
        {
            const std::unique_ptr<ZCharacter>& staged = session.staged[size_t(index)];
            if (staged && m_characters[size_t(index)])
                m_characters[size_t(index)]->TakeReadValues(*staged);
        }
    }
    return result;
}

int ZCharacterScreen::ReadDataFile(const char* path)
{
    std::string text;
    bool read = false;
    if (ZFileSystem* files = ZFileSystem::PeekInstance())
    {
        if (IFile* file = files->Open(path, FILE_READ))
        {
            if (file->Open() == 0)
            {
                const int64_t size = file->GetSize();
                if (size > 0 && size <= kMaxFileBytes)
                {
                    text.resize(size_t(size));
                    read = file->ReadAll(text.data()) == 0;
                }
                file->Close();
            }
            delete file;
        }
    }
    if (!read)
    {
        std::fprintf(stderr, "Crew: the crew file %s cannot be read\n", path);
        return 1;
    }
    return Import(text, false, path);
}

int ZCharacterScreen::LoadCharacters(const char* path)
{
    m_dataPath = path ? path : kDataPath;
    const int result = ReadDataFile(m_dataPath.c_str());
    if (result != 0)
        return result;
    m_charactersLoaded = true;
    for (int index = 0; index < kCrewCount; ++index)
    {
        if (!m_characters[size_t(index)])
            std::fprintf(stderr, "Crew: %s has no member \"%s\"\n", m_dataPath.c_str(), CrewName(index));
        Follow(GetCrewSetting(index));
    }
    Follow(&g_cheatsUnlockAll);
    Follow(&g_profileCharacter);
    Follow(&g_profileCrewSize);
    SelectCharacter(g_profileCharacter.GetValue(), false);
    return 0;
}

void ZCharacterScreen::ResetCrew()
{
    m_viewed = {};
    for (ZCharacter* member : m_characters)
    {
        if (member)
            member->Reset();
    }
    m_pendingTip.clear();
}

std::string ZCharacterScreen::WriteProfileText()
{
    ZTextStream stream;
    ZXMLSaveVisitor visitor(&stream);
    visitor.BeginElement(nullptr, "characterscreen");
    visitor.CloseStartTag();
    SaveChildren(&visitor);
    visitor.EndElement(nullptr, "characterscreen");
    return stream.text;
}

int ZCharacterScreen::ReadProfileText(const std::string& text)
{
    return Import(text, true, kProfileFile) == 0 ? 0 : 1;
}

int ZCharacterScreen::SaveProfileFile()
{
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    if (!profiles || !profiles->GetCurrent())
        return 0;
    // Before the game's crew is read there is nothing of the player's to write, and a file of
    // defaults would replace the stored progress.
    if (!m_charactersLoaded)
        return 1;
    const std::string text = WriteProfileText();
    ZProfileFile file(kProfileFile, FILE_WRITE);
    switch (file.Commit(text))
    {
    case ZSafeFileStream::ECommit::Done:
        return 0;
    case ZSafeFileStream::ECommit::NotOpen:
        std::fprintf(stderr, "Crew: %s cannot be created in %s; the crew is not saved\n", kProfileFile,
                     profiles->GetCurrentFolder().c_str());
        break;
    case ZSafeFileStream::ECommit::WriteFailed:
        std::fprintf(stderr, "Crew: writing %s failed; the old file is kept\n", kProfileFile);
        break;
    case ZSafeFileStream::ECommit::NotPutInPlace:
        std::fprintf(stderr, "Crew: %s could not be put in place; the old file is kept\n", kProfileFile);
        break;
    }
    return 1;
}

int ZCharacterScreen::LoadProfileFile()
{
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    if (!profiles || !profiles->GetCurrent())
        return 0;
    const std::string path = ProfilePath();
    if (!FileExists(path.c_str()))
        return 0;
    std::string text;
    bool tooLarge = false;
    {
        ZProfileFile file(kProfileFile, FILE_READ);
        if (file.IsOpen())
        {
            const int64_t size = file.GetSize();
            tooLarge = size > kMaxFileBytes;
            if (size > 0 && !tooLarge)
            {
                text.resize(size_t(size));
                text.resize(file.Read(text.data(), text.size()));
            }
            file.Close();
        }
    }
    if (!tooLarge && !text.empty() && ReadProfileText(text) == 0)
        return 0;
    // The crew keeps the game's values; what the file held stays beside it for the player.
    const std::string aside = KeepFileAside(path);
    std::fprintf(stderr, "Crew: %s %s; the crew starts from the game's values (the file is kept as \"%s\")\n",
                 path.c_str(), tooLarge ? "is too large to be a crew file" : "is damaged", aside.c_str());
    return 1;
}

int ZCharacterScreen::OnProfileLoaded()
{
    if (!m_charactersLoaded)
        return 1;
    ResetCrew();
    // The game's values first, then the player's over them.
    int result = ReadDataFile(m_dataPath.c_str());
    if (result != 0)
        return result;
    result = LoadProfileFile();
    SelectCharacter(g_profileCharacter.GetValue(), false);
    return result;
}

int ZCharacterScreen::OnProfileSaved()
{
    return SaveProfileFile();
}
