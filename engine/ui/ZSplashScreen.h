#pragma once
// The start-up screen: full-screen images faded in, held and faded out in turn while the game
// loads behind them; the last one (with its loading bar) stays up until the loader is idle, then
// the next screen is revealed by a global fade.
#include <cstdint>
#include <deque>
#include <string>

#include "engine/app/ZGameState.h"
#include "engine/app/ZInput.h"
#include "engine/core/ZEventProducer.h"
#include "engine/core/ZVector.h"

class ZCamera;
class ZNode;
class ZProgressBar;
class ZSplashScreen;
class ZSprite2D;
class ZTexture;
class ZTextureResource;

class ZSplashScreenListener
{
public:
    virtual ~ZSplashScreenListener() = default;
    virtual void OnSplashFinished(ZSplashScreen* splash) { (void)splash; }
    virtual void OnSplashStarted(ZSplashScreen* splash) { (void)splash; }
    virtual void OnSplashImageShown(ZSplashScreen* splash) { (void)splash; }
};

struct ZSplashImage
{
    std::string fileName;
    ZTextureResource* texture = nullptr;
    double showTime = 1.0;
};

class ZSplashScreen : public ZGameState,
                      public IInputMouseListener,
                      public ZEventProducer<ZSplashScreenListener>
{
public:
    enum EPhase : int32_t
    {
        kFadeIn = 0,
        kShow = 1,
        kFadeOut = 2,
        kFinalFade = 3,
    };

    ZSplashScreen();
    ~ZSplashScreen() override;

    const char* GetName() const override { return "ZSplashScreen"; }
    void Init() override;
    void Update(double dt) override;
    void OnEnter() override;
    void OnLeave() override;
    void OnLoseFocus() override;
    void OnGainFocus() override;
    void OnShow() override;
    void OnRemoved() override;

    virtual void LoadLayout();
    virtual void AddImage(const char* name);
    virtual void AddImage(const std::string& name) { AddImage(name.c_str()); }

    void SetNextState(ZGameState* state) { m_nextState = state; }
    ZGameState* GetNextState() const { return m_nextState; }

    int32_t GetPhase() const { return m_phase; }
    double GetPhaseDuration() const { return m_phaseDuration; }
    int32_t GetImageCount() const { return m_imageCount; }
    size_t GetQueuedImages() const { return m_images.size(); }
    float GetImageAlpha() const;
    // The last global fade the splash gave the renderer (1 = none).
    float GetScreenFade() const { return m_screenFade; }
    ZProgressBar* GetProgressBar() const { return m_progressBar; }

private:
    void NextImage();
    void StartFadeIn();
    void StartFadeOut();
    void Finish();
    double FadeDuration() const;
    void SetImageAlpha(float alpha);
    void SetScreenFade(float fade);
    void SetViewClear(const V4& colour);
    void Tell(void (ZSplashScreenListener::*op)(ZSplashScreen*));

    std::deque<ZSplashImage> m_images;
    int32_t m_imageCount = 0;
    int32_t m_phase = kFadeIn;
    double m_phaseTime = 0.0;
    double m_phaseDuration = 0.0;
    double m_showTime = 1.0;
    double m_totalTime = 0.0;
    uint32_t m_frames = 0;
    int32_t m_step = 0;
    float m_loaderProgress = 0.0f;
    ZGameState* m_nextState = nullptr;
    ZProgressBar* m_progressBar = nullptr;
    ZNode* m_progress = nullptr;
    ZNode* m_loading = nullptr;
    ZNode* m_loadingFrame = nullptr;
    ZSprite2D* m_image = nullptr;
    ZSprite2D* m_background = nullptr;
    ZTexture* m_backgroundTexture = nullptr;
    ZCamera* m_splashCamera = nullptr;
    V4 m_splashClear{1.0f, 1.0f, 1.0f, 1.0f};
    V4 m_savedClear{0.0f, 0.0f, 0.0f, 0.0f};
    bool m_clearSaved = false;
    float m_screenFade = 1.0f;
    uint8_t m_finishRequested = 0;
    bool m_listeningToInput = false;
};
