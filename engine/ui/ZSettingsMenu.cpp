#include "engine/ui/ZSettingsMenu.h"

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGame.h"
#include "engine/audio/ZAudioBase.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/resource/ZPropertyFile.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/ui/ZCheckBox2D.h"
#include "engine/ui/ZScreenWidgets.h"
#include "engine/ui/ZSlider2D.h"

namespace
{
template <class T> void RestoreValue(ZPropertyTempl<T>& setting, const T& value)
{
    setting.SetValue(value); // clamps when the setting clamps and notifies its listeners
}
} // namespace

ZSettingsMenu::ZSettingsMenu() = default;

ZSettingsMenu::~ZSettingsMenu()
{
    if (m_listensToQuality)
        g_renderQuality.RemoveListener(this);
}

int ZSettingsMenu::Build()
{
    ZGroup* root = GetRoot();
    m_cancelButton = FindWidget<ZButton2D>(root, "cancel_button");
    m_saveButton = FindWidget<ZButton2D>(root, "save_button");
    m_fullScreen = FindWidget<ZCheckBox2D>(root, "full_screen");
    m_widescreen = FindWidget<ZCheckBox2D>(root, "widescreen");
    m_muteSound = FindWidget<ZCheckBox2D>(root, "mute_sound");
    m_sliderSound = FindWidget<ZSlider2D>(root, "slider_sound");
    m_sliderMusic = FindWidget<ZSlider2D>(root, "slider_music");
    m_sliderEffects = FindWidget<ZSlider2D>(root, "slider_effects");

    // Save and cancel are heard for the menu's whole life, not only while it is entered.
    if (m_saveButton)
        m_saveButton->AddListener(this);
    if (m_cancelButton)
        m_cancelButton->AddListener(this);
    if (m_fullScreen)
        m_fullScreen->Bind(&g_engineRenderWindow);
    if (m_widescreen)
        m_widescreen->Bind(&g_renderWidescreen);
    if (m_muteSound)
        m_muteSound->Bind(&g_audioMute);
    BindSlider(m_sliderSound, &g_audioVolumeSound);
    BindSlider(m_sliderMusic, &g_audioVolumeMusic);
    BindSlider(m_sliderEffects, &g_renderQuality);
    if (m_sliderEffects && !m_listensToQuality)
    {
        g_renderQuality.AddListener(this);
        m_listensToQuality = true;
    }
    return 0;
}

void ZSettingsMenu::BindSlider(ZSlider2D* slider, ZPropertyFloat* setting)
{
    if (!slider)
        return;
    slider->FindParts();
    slider->Bind(setting);
    slider->SetReadoutFormat("%02.0f");
    slider->SetReadoutScale(100.0f);
}

void ZSettingsMenu::OnEnter()
{
    m_lastClicked = nullptr;
    m_savedMute = g_audioMute.GetValue();
    m_savedWindow = g_engineRenderWindow.GetValue();
    m_savedWidescreen = g_renderWidescreen.GetValue();
    m_savedMusic = g_audioVolumeMusic.GetValue();
    m_savedSound = g_audioVolumeSound.GetValue();
    m_savedQuality = g_renderQuality.GetValue();
}

void ZSettingsMenu::OnLeave()
{
    if (m_lastClicked && m_lastClicked == m_cancelButton)
        RestoreSnapshot();
    m_lastClicked = nullptr;
}

void ZSettingsMenu::RestoreSnapshot()
{
    RestoreValue(g_audioMute, m_savedMute);
    // The display is re-created when these change, so only real changes are written back.
    if (g_engineRenderWindow.GetValue() != m_savedWindow)
        RestoreValue(g_engineRenderWindow, m_savedWindow);
    if (g_renderWidescreen.GetValue() != m_savedWidescreen)
        RestoreValue(g_renderWidescreen, m_savedWidescreen);
    RestoreValue(g_audioVolumeMusic, m_savedMusic);
    RestoreValue(g_audioVolumeSound, m_savedSound);
    if (g_renderQuality.GetValue() != m_savedQuality)
        RestoreValue(g_renderQuality, m_savedQuality);
}

void ZSettingsMenu::ShowRoot()
{
    if (ZGroup* root = GetRoot())
        root->SetHidden(false);
}

void ZSettingsMenu::HideRoot()
{
    if (ZGroup* root = GetRoot())
        root->SetHidden(true);
}

void ZSettingsMenu::OnPropertyChanged(ZProperty* property)
{
    if (property == &g_renderQuality)
        ZEngine::ApplyRenderQuality();
}

void ZSettingsMenu::OnClicked(ZButton2D* button)
{
    if (!button)
        return;
    if (button == m_saveButton)
    {
        m_lastClicked = button;
        if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
            profiles->SaveProfile();
        if (g_engine && g_engine->GetMainConfig())
            g_engine->GetMainConfig()->Save();
        if (ZGame* game = ZGame::PeekInstance())
            game->PopState();
        // A window-mode change the renderer cannot make live needs a restart.
        if (!g_renderWindowHotswitch.GetValue() && m_savedWindow != g_engineRenderWindow.GetValue())
        {
            ZStringTable* strings = ZStringTable::PeekInstance();
            OpenRestartDialog(strings ? strings->GetText("settings.restart") : "settings.restart");
        }
    }
    else if (button == m_cancelButton)
    {
        m_lastClicked = button;
        if (ZGame* game = ZGame::PeekInstance())
            game->PopState();
    }
}
