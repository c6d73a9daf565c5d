#pragma once
// The player-profile screen: the profiles on pages of row buttons, with select, create, rename
// and delete through the profile manager; "ok" makes the selection current, cancel puts back
// the profile that was current on entry. `game.currentprofile` is kept in step throughout.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/app/ZGameState.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZDialog2D.h"

class ZFontText;
class ZProfileManager;

class ZProfileMenu : public ZGameState, public IButtonListener, public IDialog2DListener
{
public:
    static constexpr int kMaxRows = 10;
    // Dialog results as the dialogs send them.
    static constexpr int32_t kDialogAccepted = 3;
    static constexpr int32_t kDialogCancelled = 4;

    enum class EDialog
    {
        None,
        Name,
        Confirm,
        Message,
    };

    ZProfileMenu();
    ~ZProfileMenu() override;

    const char* GetName() const override { return "ZProfileMenu"; }
    int Build() override;
    void OnEnter() override;
    void OnLeave() override;

    void OnClicked(ZButton2D* button) override;
    // Events of whichever dialog the menu opened last; the name dialog's typed text is read from
    // the `ZInputDialog2D` that sends them.
    void OnDialogEvent(int32_t event, ZDialog2D* dialog) override;

    // Used by the game when no profile exists: the name dialog with no way to cancel.
    void OpenDialog();

    int GetRowCount() const { return m_rowCount; }
    uint32_t GetPage() const { return m_page; }
    uint32_t GetPageCount() const { return m_pageCount; }
    int32_t GetSelected() const { return m_selected; }
    ZButton2D* GetRow(int i) const { return i >= 0 && i < m_rowCount ? m_rows[i] : nullptr; }

protected:
    // The dialog screens belong to the game; these open them and return false when the game has
    // none of that kind, which turns the action off. The menu listens to the open dialog's events
    // through OnDialogEvent.
    virtual bool OpenNameDialog(const char* text, bool cancelAllowed)
    {
        (void)text, (void)cancelAllowed;
        return false;
    }
    virtual bool OpenConfirmDialog(const char* text)
    {
        (void)text;
        return false;
    }
    virtual bool OpenMessageDialog(const char* text)
    {
        (void)text;
        return false;
    }
    virtual bool HasNameDialog() const { return false; }

    // The name dialog's accept: create (mode 0) or rename (mode 1) with the typed name.
    void AcceptName(const char* typed);

private:
    void FindRows();
    void Refresh();
    void Select(int32_t index, bool follow);
    void MakeCurrent(int32_t index);
    void DeleteSelected();
    void RecomputePages();
    bool ShowNameDialog(const char* text, bool cancelAllowed, uint8_t mode);

    ZButton2D* m_cancelButton = nullptr;
    ZButton2D* m_okButton = nullptr;
    ZButton2D* m_newButton = nullptr;
    ZButton2D* m_deleteButton = nullptr;
    ZButton2D* m_renameButton = nullptr;
    ZButton2D* m_nextButton = nullptr;
    ZButton2D* m_prevButton = nullptr;
    ZNode* m_marker = nullptr;
    ZFontText* m_pageText = nullptr;
    ZButton2D* m_rows[kMaxRows] = {};
    int32_t m_rowCount = 0;

    uint32_t m_rowsPerPage = 1;
    uint32_t m_pageCount = 1;
    uint32_t m_page = 0;
    uint32_t m_profileCount = 0;
    int32_t m_selected = -1;
    int32_t m_entryIndex = -1;
    uint8_t m_nameMode = 0;
    EDialog m_openDialog = EDialog::None;
    std::string m_deleteText;
};
