#include "engine/ui/ZProfileMenu.h"

#include <algorithm>
#include <cstdio>

#include "engine/app/ZEngine.h"
#include "engine/app/ZGame.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/resource/ZPropertyFile.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZScreenWidgets.h"

namespace
{
const char* Localized(const char* key)
{
    ZStringTable* strings = ZStringTable::PeekInstance();
    return strings ? strings->GetText(key) : key;
}

void PopSelf()
{
    if (ZGame* game = ZGame::PeekInstance())
        game->PopState();
}
} // namespace

ZProfileMenu::ZProfileMenu()
{
    if (ZGroup* root = GetRoot())
        root->SetName("profilemenu");
}

ZProfileMenu::~ZProfileMenu() = default;

int ZProfileMenu::Build()
{
    ZGroup* root = GetRoot();
    // This screen hears its buttons for its whole life, not only while entered.
    ZButton2D** slots[] = {&m_cancelButton, &m_okButton,   &m_newButton, &m_deleteButton,
                           &m_renameButton, &m_nextButton, &m_prevButton};
    const char* names[] = {"cancel_button", "ok_button",   "new_button", "delete_button",
                           "rename_button", "button_next", "button_prev"};
    for (size_t i = 0; i < std::size(names); ++i)
    {
        *slots[i] = FindWidget<ZButton2D>(root, names[i]);
        if (*slots[i])
            (*slots[i])->AddListener(this);
    }
    m_marker = root ? root->FindNode("select_marker") : nullptr;
    m_pageText = FindWidget<ZFontText>(root, "page");
    FindRows();
    Refresh();
    return 0;
}

void ZProfileMenu::FindRows()
{
    m_rowCount = 0;
    for (int i = 0; i < kMaxRows; ++i)
    {
        char name[32];
        std::snprintf(name, sizeof(name), "profile_button_%i", i);
        ZButton2D* row = FindWidget<ZButton2D>(GetRoot(), name);
        if (!row)
            break;
        row->AddListener(this);
        m_rows[m_rowCount++] = row;
    }
    m_rowsPerPage = m_rowCount > 0 ? uint32_t(m_rowCount) : 1;
}

void ZProfileMenu::RecomputePages()
{
    m_pageCount = m_profileCount < 2 ? 1 : (m_profileCount - 1) / m_rowsPerPage + 1;
    if (m_page >= m_pageCount)
        m_page = m_pageCount - 1;
}

void ZProfileMenu::Refresh()
{
    std::vector<std::string> names;
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
        profiles->ListProfileNames(names);
    m_profileCount = uint32_t(names.size());
    RecomputePages();
    for (int i = 0; i < m_rowCount; ++i)
    {
        const size_t index = size_t(m_page) * m_rowsPerPage + size_t(i);
        if (index < names.size())
        {
            m_rows[i]->SetText(names[index].c_str());
            m_rows[i]->SetHidden(false);
        }
        else
            m_rows[i]->SetHidden(true);
    }
    if (m_deleteButton)
        m_deleteButton->SetHidden(m_profileCount < 2);
    if (m_pageText)
        m_pageText->SetTextF("%u/%u", m_page + 1, m_pageCount);
}

void ZProfileMenu::Select(int32_t index, bool follow)
{
    m_selected = index;
    const int64_t first = int64_t(m_page) * m_rowsPerPage;
    if (follow && index >= 0 && (index < first || index >= first + m_rowsPerPage))
        m_page = uint32_t(index) / m_rowsPerPage;
    const int64_t pageStart = int64_t(m_page) * m_rowsPerPage;
    const int64_t row = int64_t(index) - pageStart;
    if (!m_marker)
        return;
    if (index < 0 || row < 0 || row >= m_rowCount)
    {
        m_marker->SetHidden(true);
        return;
    }
    m_marker->SetHidden(false);
    ZButton2D* button = m_rows[row];
    ZGeom* marker = ZEntityCast<ZGeom>(m_marker);
    if (button->GetCaptionNode() && marker)
    {
        V3 position;
        button->LocalToWorld(position);
        marker->SetWorldPosition(position);
    }
}

void ZProfileMenu::MakeCurrent(int32_t index)
{
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    if (!profiles || index < 0 || index >= profiles->GetProfileCount())
        return;
    if (index == profiles->GetCurrentIndex() && profiles->GetCurrent())
        return;
    // Saves the profile being left (none after its own deletion), loads the new one and sets
    // `game.currentprofile`, notifying its listeners.
    profiles->SelectProfile(index, profiles->GetCurrentSubProfileName().c_str(), true);
}

void ZProfileMenu::OnEnter()
{
    m_entryIndex = g_gameCurrentProfile.GetValue();
    m_openDialog = EDialog::None;
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    if (profiles)
        profiles->SaveProfile();
    Select(m_entryIndex, true);
    if (profiles)
        profiles->ScanProfiles(false);
    if (TestFlags(kStateLoaded))
    {
        Refresh();
        Select(m_selected, false);
    }
}

void ZProfileMenu::OnLeave()
{
    if (g_engine && g_engine->GetMainConfig())
        g_engine->GetMainConfig()->Save();
}

void ZProfileMenu::OpenDialog()
{
    ShowNameDialog("", false, 0);
}

bool ZProfileMenu::ShowNameDialog(const char* text, bool cancelAllowed, uint8_t mode)
{
    m_nameMode = mode;
    m_openDialog = EDialog::Name;
    if (OpenNameDialog(text, cancelAllowed))
        return true;
    m_openDialog = EDialog::None;
    return false;
}

void ZProfileMenu::OnClicked(ZButton2D* button)
{
    if (!button)
        return;
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    const bool haveSelection = m_selected >= 0 && uint32_t(m_selected) < m_profileCount;
    if (button == m_newButton)
    {
        if (HasNameDialog())
            ShowNameDialog("", true, 0);
    }
    else if (button == m_deleteButton)
    {
        if (!haveSelection)
            return;
        if (m_deleteText.empty())
            m_deleteText = Localized("profile.delete");
        m_openDialog = EDialog::Confirm;
        if (!OpenConfirmDialog(m_deleteText.c_str()))
        {
            m_openDialog = EDialog::None;
            DeleteSelected();
        }
    }
    else if (button == m_okButton)
    {
        if (!haveSelection)
        {
            if (profiles)
                profiles->LoadProfile();
        }
        else
            MakeCurrent(m_selected);
        if (m_marker)
            m_marker->SetHidden(true);
        PopSelf();
    }
    else if (button == m_cancelButton)
    {
        if (m_marker)
            m_marker->SetHidden(true);
        MakeCurrent(m_entryIndex);
        PopSelf();
    }
    else if (button == m_renameButton)
    {
        if (HasNameDialog() && haveSelection && profiles)
        {
            SProfileInfo* profile = profiles->GetProfile(m_selected);
            ShowNameDialog(profile ? profile->GetName().c_str() : "", true, 1);
        }
    }
    else if (button == m_nextButton || button == m_prevButton)
    {
        if (button == m_nextButton)
            m_page = (m_page + 1) % m_pageCount;
        else
            m_page = m_page == 0 ? m_pageCount - 1 : m_page - 1;
        Select(m_selected, false);
        Refresh();
    }
    else
    {
        for (int i = 0; i < m_rowCount; ++i)
            if (button == m_rows[i])
            {
                Select(int32_t(m_rowsPerPage * m_page) + i, true);
                return;
            }
    }
}

void ZProfileMenu::AcceptName(const char* typed)
{
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    if (!profiles)
        return;
    std::string name = typed ? typed : "";
    if (name.empty())
        name = Localized("general.player");
    if (profiles->NameExists(name.c_str()))
    {
        m_openDialog = EDialog::Message;
        if (!OpenMessageDialog(Localized("profile.exists")))
            m_openDialog = EDialog::None;
        return;
    }
    if (m_nameMode == 0)
    {
        if (profiles->NewProfile(name.c_str()))
        {
            const int index = profiles->GetProfileCount() - 1;
            Select(index, true);
            if (profiles->GetProfileCount() == 1)
                MakeCurrent(index);
        }
    }
    else if (m_selected >= 0)
        profiles->RenameProfile(m_selected, name.c_str());
    profiles->ScanProfiles(false);
    Refresh();
}

void ZProfileMenu::DeleteSelected()
{
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    if (!profiles || m_selected < 0 || m_selected >= profiles->GetProfileCount())
        return;
    const int32_t deleted = m_selected;
    const bool wasCurrent = deleted == g_gameCurrentProfile.GetValue();
    // The manager shifts its own current index and the setting; the entry index is shifted the
    // same way so that cancel still finds the profile it means.
    profiles->DeleteProfile(deleted);
    if (m_entryIndex > deleted)
        --m_entryIndex;
    if (wasCurrent)
    {
        // The deleted player's settings are not written anywhere: the manager has no current
        // profile now, so profile 0 is loaded without saving first.
        if (profiles->GetProfileCount() > 0)
            MakeCurrent(0);
        if (m_entryIndex == deleted)
            m_entryIndex = g_gameCurrentProfile.GetValue();
    }
    Select(g_gameCurrentProfile.GetValue(), true);
    profiles->ScanProfiles(false);
    Refresh();
    Select(m_selected, false);
}

void ZProfileMenu::OnDialogEvent(int32_t event, ZDialog2D* dialog)
{
    if (event != kDialogAccepted && event != kDialogCancelled)
        return;
    const EDialog which = m_openDialog;
    m_openDialog = EDialog::None;
    switch (which)
    {
    case EDialog::Name:
        if (event == kDialogAccepted)
        {
            ZInputDialog2D* input = ZEntityCast<ZInputDialog2D>(dialog);
            AcceptName(input ? input->GetText() : "");
        }
        break;
    case EDialog::Confirm:
        if (event == kDialogAccepted)
            DeleteSelected();
        break;
    case EDialog::Message:
        // The player must choose another name.
        ShowNameDialog(nullptr, true, m_nameMode);
        break;
    case EDialog::None:
        break;
    }
}
