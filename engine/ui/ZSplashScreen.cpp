#include "engine/ui/ZSplashScreen.h"

#include <cstdlib>
#include <filesystem>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGame.h"
#include "engine/audio/IAudio.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZEasing.h"
#include "engine/fs/ZMountTable.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/ZView.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZLayer2D.h"
#include "engine/ui/ZMousePointer.h"
#include "engine/ui/ZSprite2D.h"

namespace
{
IRender* Render()
{
    return g_engine ? g_engine->GetRender() : nullptr;
}
ZView* View0()
{
    IRender* render = Render();
    return render ? render->GetView(0) : nullptr;
}
void SetNodeAlpha(ZNode* node, float alpha)
{
    if (ZSprite* sprite = ZEntityCast<ZSprite>(node))
        sprite->SetAlpha(alpha);
    else if (node)
        SetChildrenAlpha(node, alpha);
}
} // namespace

ZSplashScreen::ZSplashScreen()
{
    ZGroup* root = GetRoot();
    if (!root)
        return;
    root->SetName("splashscreen");

    // A plain white backdrop behind the images, sized past the logical screen.
    auto* pixels = static_cast<uint8_t*>(std::malloc(4 * 4 * 4));
    for (int i = 0; i < 4 * 4 * 4; ++i)
        pixels[i] = 0xff;
    m_backgroundTexture = ZTexture::CreateEmpty(pixels, 4, 4, 0);
    m_backgroundTexture->SetName("splash_bg_texture");
    m_background = ZSprite2D::Create();
    // Stretched over its own size: when the texture's loaded event comes (on an atlas page) the
    // backdrop must not take the 4 x 4 size of the texture.
    m_background->SetSizeModelActual(false);
    m_background->SetTexture(m_backgroundTexture, true);
    m_background->SetSize(810.0f, 610.0f);
    m_background->SetPositionXYZ(0.0f, 0.0f, 50.0f);
    m_image = ZSprite2D::Create();
    root->AddChild(m_background);
    root->AddChild(m_image);
    root->SetHidden(true);
    m_background->SetHidden(true);

    SetViewClear(V4{1.0f, 1.0f, 1.0f, 1.0f});
    m_splashCamera = ZCamera::Create("splashcamera", root, false, true);
    if (m_splashCamera)
    {
        m_splashCamera->SetPositionXYZ(0.0f, 0.0f, 0.0f);
        m_splashCamera->SetHidden(true);
        m_splashCamera->SetPriority(2500.0f);
        if (ZView* view = View0())
        {
            view->AddCamera(m_splashCamera);
            view->SortCameras();
        }
    }
    if (ZInput* input = g_engine ? g_engine->GetInput() : nullptr)
    {
        input->AddMouseListener(this);
        m_listeningToInput = true;
    }
}

ZSplashScreen::~ZSplashScreen()
{
    if (m_listeningToInput)
        if (ZInput* input = g_engine ? g_engine->GetInput() : nullptr)
            input->RemoveMouseListener(this);
    if (m_splashCamera)
    {
        if (ZView* view = View0())
            view->RemoveCamera(m_splashCamera);
        delete m_splashCamera;
    }
    if (m_backgroundTexture)
        m_backgroundTexture->Release();
}

void ZSplashScreen::Init()
{
    ZGameState::Init();
    LoadLayout();
}

void ZSplashScreen::AddImage(const char* name)
{
    if (!name || !*name)
        return;
    std::string resolved;
    ResolveMountPath(nullptr, resolved, name);
    // Archive members ("#" in the path) are taken on trust; loose files must be there.
    if (resolved.find('#') == std::string::npos)
    {
        std::error_code error;
        if (resolved.empty() || !std::filesystem::is_regular_file(resolved, error))
            return;
    }
    m_images.push_back(ZSplashImage{name, nullptr, 1.0});
    m_imageCount = int32_t(m_images.size());
}

void ZSplashScreen::LoadLayout()
{
    ZGroup* root = GetRoot();
    if (!root)
        return;
    ImportSceneFile(ZResourcePath("resources:splashscreen.xml"), root);
    m_progress = root->FindNode("progress");
    m_loading = root->FindNode("loading");
    m_loadingFrame = root->FindNode("loading_frame");
    if (m_progress)
    {
        m_progress->ClearFlags(kNodeSnapToPixels);
        if (ZSprite* bar = ZEntityCast<ZSprite>(m_progress); bar && !m_progressBar)
        {
            m_progressBar = ZProgressBar::Create(bar);
            if (m_progressBar)
                m_progressBar->SetValue(m_loaderProgress);
        }
    }
    for (ZSplashImage& image : m_images)
    {
        // Made without loading, then loaded waiting for the result: a load "now" may still go
        // through the loader thread, and the splash is the first thing on screen, so it waits for
        // its own pictures rather than showing an empty frame.
        ZTexture* texture = ZTexture::FindOrLoad(image.fileName.c_str(), 0, kTextureLoadLater);
        if (texture && !texture->IsLoaded() && !texture->TestFlags(kResourceQueued))
            texture->Load(true);
        if (texture && (texture->IsLoaded() || texture->TestFlags(kResourceQueued)))
            image.texture = texture;
    }
    SetImageAlpha(0.0f);
    if (m_images.empty())
    {
        SetNodeAlpha(m_progress, 0.0f);
        SetNodeAlpha(m_loading, 0.0f);
        SetNodeAlpha(m_loadingFrame, 0.0f);
    }
}

void ZSplashScreen::OnShow()
{
    m_frames = 0;
    m_step = 0;
    if (ZGroup* root = GetRoot())
        root->SetHidden(false);
    if (ZLayer2DManager* layers = ZLayer2DManager::GetInstance())
        if (ZView* view = layers->GetScreenView())
        {
            m_savedClear = view->GetClearColor();
            view->SetClearColor(m_splashClear);
            m_clearSaved = true;
        }
    if (IRender* render = Render())
        render->SetScreenSpriteShown(true);
    m_totalTime = 0.0;
}

void ZSplashScreen::OnEnter()
{
    ZMousePointer::GetInstance()->LockInput(true);
    SetNodeAlpha(m_progress, 0.0f);
    SetNodeAlpha(m_loading, 0.0f);
    SetNodeAlpha(m_loadingFrame, 0.0f);
}

void ZSplashScreen::OnLeave()
{
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance(); pointer && pointer->IsLocked())
        pointer->LockInput(false);
    if (m_splashCamera)
        m_splashCamera->SetHidden(true);
    if (ZResourceManager* resources = ZResourceManager::PeekInstance())
        resources->SetLoadMode(3);
    if (m_listeningToInput)
        if (ZInput* input = g_engine ? g_engine->GetInput() : nullptr)
            input->RemoveMouseListener(this);
    m_listeningToInput = false;
    if (ZGroup* root = GetRoot())
        root->SetHidden(true);
    // The screens after the splash get the 2D view's own clear colour back.
    if (m_clearSaved)
        if (ZLayer2DManager* layers = ZLayer2DManager::GetInstance())
            if (ZView* view = layers->GetScreenView())
                view->SetClearColor(m_savedClear);
    m_clearSaved = false;
}

void ZSplashScreen::OnRemoved()
{
    SetScreenFade(1.0f);
}

void ZSplashScreen::OnLoseFocus()
{
    if (m_background)
        m_background->SetAlpha(0.0f);
    m_finishRequested = 1;
}

void ZSplashScreen::OnGainFocus()
{
    if (!m_finishRequested)
        return;
    m_finishRequested = 0;
    Finish();
}

double ZSplashScreen::FadeDuration() const
{
    if (g_developer.GetValue())
        return 0.1;
    return m_imageCount < 2 ? 1.0 : 0.5;
}

void ZSplashScreen::StartFadeIn()
{
    m_phase = kFadeIn;
    m_phaseTime = 0.0;
    m_phaseDuration = FadeDuration();
}

void ZSplashScreen::StartFadeOut()
{
    m_phase = kFadeOut;
    m_phaseTime = 0.0;
    m_phaseDuration = FadeDuration();
    SetViewClear(V4{0.0f, 0.0f, 0.0f, 1.0f});
}

void ZSplashScreen::NextImage()
{
    if (!m_images.empty())
    {
        ZSplashImage image = m_images.front();
        m_images.pop_front();
        if (m_image && image.texture)
        {
            m_image->SetTexture(image.texture);
            m_image->AttachTexture(image.texture);
        }
        m_showTime = image.showTime;
        StartFadeIn();
        return;
    }
    if (!m_nextState)
    {
        Finish();
        return;
    }
    if (ZGame* game = ZGame::PeekInstance())
        game->PushStateBehind(m_nextState, true);
    m_nextState->SetActive(true, this);
    m_phaseTime = 0.0;
    m_phase = kFinalFade;
    m_phaseDuration = 2.0;
    SetScreenFade(0.0f);
}

void ZSplashScreen::Finish()
{
    if (ZGame* game = ZGame::PeekInstance())
        game->PopState();
    Tell(&ZSplashScreenListener::OnSplashFinished);
    SetScreenFade(1.0f);
}

void ZSplashScreen::Tell(void (ZSplashScreenListener::*op)(ZSplashScreen*))
{
    // A muted producer's cursor delivers to nobody.
    Cursor cursor(*this);
    for (ZSplashScreenListener* l = cursor.Next(); l; l = cursor.Next())
        (l->*op)(this);
}

float ZSplashScreen::GetImageAlpha() const
{
    return m_image ? m_image->GetAlpha() : 0.0f;
}

void ZSplashScreen::SetImageAlpha(float alpha)
{
    if (m_image)
        m_image->SetAlpha(alpha);
    // The loading parts fade with the last image.
    if (m_images.empty() || (m_phase == kFadeIn && size_t(m_step) == m_images.size()))
    {
        SetNodeAlpha(m_progress, alpha);
        SetNodeAlpha(m_loading, alpha);
        SetNodeAlpha(m_loadingFrame, alpha);
    }
}

void ZSplashScreen::SetScreenFade(float fade)
{
    m_screenFade = fade;
    if (IRender* render = Render())
        render->SetScreenFade(fade);
}

void ZSplashScreen::SetViewClear(const V4& colour)
{
    if (ZView* view = View0())
        view->SetClearColor(colour);
}

void ZSplashScreen::Update(double dt)
{
    m_phaseTime += dt;
    m_totalTime += dt;
    if (m_background && m_background->IsHidden() && m_backgroundTexture &&
        m_backgroundTexture->GetRenderTextureId() != -1)
        m_background->SetHidden(false);

    if (m_frames++ == 1)
    {
        m_totalTime = 0.0;
        // Told before the first image, so that with no image at all the listeners still hear
        // "started" before "finished".
        Tell(&ZSplashScreenListener::OnSplashStarted);
        NextImage();
    }
    if (!g_developer.GetValue() && m_totalTime < 0.3)
        m_phaseTime = 0.0;

    if (m_phaseTime > 0.1)
        if (IAudio* audio = g_engine ? g_engine->GetAudio() : nullptr; audio && !audio->IsMusicOn())
            audio->PlayMusic("audio:music_main.ogg");

    ZResourceManager* resources = ZResourceManager::PeekInstance();
    float progress = m_loaderProgress;
    const bool queued = resources && resources->HasQueuedLoads();
    if (queued)
        progress = resources->GetLoadProgress();
    if (m_progressBar && m_phase != kFadeIn && m_images.empty())
        m_progressBar->SetValue(progress);

    double d = m_phaseDuration;
    if (m_phase == kFadeOut)
        d -= 0.1;
    double t = d > 0.0 ? m_phaseTime / d : 0.0;
    // A phase whose duration is used up (the fade-out less its margin) has ended.
    if (m_phaseDuration > 0.0 && d <= 0.0)
        t = 1.0;

    switch (m_phase)
    {
    case kFadeIn:
        if (t >= 1.0)
        {
            SetViewClear(V4{0.0f, 0.0f, 0.0f, 1.0f});
            m_phaseTime = 0.0;
            m_phaseDuration = m_showTime;
            m_phase = kShow;
            t = 1.0;
            Tell(&ZSplashScreenListener::OnSplashImageShown);
            m_loaderProgress = resources && resources->HasQueuedLoads() ? resources->GetLoadProgress() : 1.0f;
        }
        SetImageAlpha(float(t));
        break;
    case kShow:
    {
        const int32_t n = int32_t(t * m_imageCount);
        const bool loading = g_engine && g_engine->IsLoading();
        if (t >= 1.0 && (m_step != n || n >= m_imageCount || m_images.empty()) &&
            (!m_images.empty() || !loading))
            StartFadeOut();
        if (n > m_step)
            ++m_step;
        break;
    }
    case kFadeOut:
        if (t >= 1.0)
        {
            NextImage();
            t = 1.0;
        }
        SetImageAlpha(EaseOutCubicQuartic(float(1.0 - t)));
        break;
    case kFinalFade:
        if (t >= 1.0)
        {
            t = 1.0;
            Finish();
        }
        if (m_background)
            m_background->SetAlpha(EaseOutCubicQuartic(float(1.0 - t)));
        // Once finished the screen stays unfaded: the next screen is fully revealed.
        SetScreenFade(t >= 1.0 ? 1.0f : float(1.0 - t));
        break;
    default:
        break;
    }
}
