// The player's campaign progress, "levels.xml" in the current profile's folder: written whole
// through a temporary file that replaces the old one only when every write succeeded, and read
// all or nothing, so a file cut short or edited by hand never leaves half a campaign behind.
#include <cstdio>
#include <cstring>

#include "engine/fs/ZStream.h"
#include "engine/import/ZXMLSaveVisitor.h"
#include "game/dive/campaign/ZLevelControl.h"

namespace
{
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
} // namespace

int ZLevelControl::OnProfileLoaded()
{
    LoadProgress();
    return 0;
}

int ZLevelControl::OnProfileSaved()
{
    SaveProgress();
    return 0;
}

std::string ZLevelControl::WriteProgress() const
{
    ZTextStream stream;
    ZXMLSaveVisitor visitor(&stream);
    ZLevelControl* self = const_cast<ZLevelControl*>(this);
    visitor.BeginElement(nullptr, "levelcontrol");
    self->SaveAttributes(&visitor);
    visitor.CloseStartTag();
    self->SaveChildren(&visitor);
    visitor.EndElement(nullptr, "levelcontrol");
    return stream.text;
}

int ZLevelControl::SaveProgress()
{
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    if (!profiles || !profiles->GetCurrent())
        return 0;
    if (!m_scriptLoaded)
        LoadScript();
    // Without a script there is no progress to write, and an empty file would wipe the player's.
    if (m_entries.empty())
    {
        std::fprintf(stderr, "Campaign: no script, so %s is left as it is\n", kProgressFile);
        return 1;
    }
    const std::string text = WriteProgress();
    ZProfileFile file(kProgressFile, FILE_WRITE);
    switch (file.Commit(text))
    {
    case ZSafeFileStream::ECommit::Done:
        return 0;
    case ZSafeFileStream::ECommit::NotOpen:
        std::fprintf(stderr, "Campaign: %s cannot be created in %s; progress not saved\n", kProgressFile,
                     profiles->GetCurrentFolder().c_str());
        break;
    case ZSafeFileStream::ECommit::WriteFailed:
        std::fprintf(stderr, "Campaign: writing %s failed; the old progress is kept\n", kProgressFile);
        break;
    case ZSafeFileStream::ECommit::NotPutInPlace:
        std::fprintf(stderr, "Campaign: %s could not be put in place; the old progress is kept\n", kProgressFile);
        break;
    }
    return 1;
}

int ZLevelControl::LoadProgress()
{
    // A profile can load before the campaign state was first set up; progress read into an empty
    // script would be lost.
    if (!m_scriptLoaded)
        LoadScript();
    ResetEntries();
    int result = 0;
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    if (profiles && profiles->GetCurrent())
    {
        ZProfileFile file(kProgressFile, FILE_READ);
        if (file.IsOpen())
        {
            const int64_t size = file.GetSize();
            if (size > kMaxProgressBytes)
            {
                std::fprintf(stderr, "Campaign: %s is %lld bytes, too large to be progress; the campaign starts over\n",
                             kProgressFile, static_cast<long long>(size));
                result = 1;
            }
            else if (size <= 0)
            {
                std::fprintf(stderr, "Campaign: %s is empty; the campaign starts over\n", kProgressFile);
            }
            else
            {
                std::string text(size_t(size), '\0');
                const size_t got = file.Read(text.data(), text.size());
                text.resize(got);
                result = ReadProgress(text);
            }
            file.Close();
        }
    }
    ApplyCurrentSettings();
    return result;
}

int ZLevelControl::ReadProgress(const std::string& text)
{
    SImport session;
    const int result = Import(text, true, session);
    if (result != 0)
    {
        std::fprintf(stderr, "Campaign: %s is unreadable; the campaign starts over\n", kProgressFile);
        return 1;
    }

    if (!session.sawRoot)
        std::fprintf(stderr, "Campaign: %s holds no \"levelcontrol\" element; the campaign starts over\n",
                     kProgressFile);
    if (session.badProgress)
        std::fprintf(stderr, "Campaign: %s holds no number for \"progress\"; the campaign starts over\n",
                     kProgressFile);
    if (session.hasProgress)
    {
        SetEntryIndex(session.progressValue);
        if (m_index != session.progressValue)
            std::fprintf(stderr, "Campaign: progress %i in %s is outside the script (%zu entries); taken as %i\n",
                         int(session.progressValue), kProgressFile, m_entries.size(), int(m_index));
    }
    if (session.unknownLevels > 0)
        std::fprintf(stderr, "Campaign: %zu levels in %s are not in the script; ignored\n", session.unknownLevels,
                     kProgressFile);

    size_t mismatched = 0;
    for (ZLevelControlEntry* saved : session.staged)
    {
        if (const ZLevel* savedLevel = ZEntityCast<ZLevel>(saved))
        {
            // Levels are found by name, so a script that gained entries keeps its medals.
            if (ZLevel* level = FindLevel(savedLevel->GetName()))
            {
                level->medal = savedLevel->medal;
                level->score = savedLevel->score;
                level->key = savedLevel->key;
            }
            continue;
        }
        if (saved->lci < 0 || saved->lci >= int32_t(m_entries.size()) ||
            m_entries[size_t(saved->lci)]->GetTypeRecord() != saved->GetTypeRecord())
        {
            ++mismatched;
            continue;
        }
        m_entries[size_t(saved->lci)]->CopyFrom(*saved);
    }
    if (mismatched > 0)
        std::fprintf(stderr, "Campaign: %zu entries of %s do not match the script; ignored\n", mismatched,
                     kProgressFile);
    return 0;
}
